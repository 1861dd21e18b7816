#include "menu/ReportTab.h"

#include "menu/MenuSession.h"
#include "menu/MenuTexts.h"
#include "menu/PrintJob.h"
#include "report/ReportCsv.h"
#include "report/ReportTexts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvan {

ReportTab::ReportTab(MenuSession& session, PrintSink& sink, QWidget* parent)
    : MenuTabForm(parent), m_session(session), m_sink(sink)
{
    auto* layout = new QVBoxLayout(this);
    Text1 = named(new QPlainTextEdit, QStringLiteral("Text1"));
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(Text1, 1);
    auto* row = new QHBoxLayout;
    row->addStretch();
    m_csv = named(new QPushButton(menu_texts::kCsv), QStringLiteral("Command2Csv"));
    row->addWidget(m_csv);
    // What "Печат" prints is the text shown, whatever the operator typed into it.
    const PrintButtons print = addPrintButtons(
        row, "Command2", m_sink,
        [this](PrintSink& target) {
            return printReport(target, m_session.options().printerFont(), Text1->toPlainText());
        },
        [this] {
            const auto& run = m_session.lastRun();
            return run ? run->fileName(QStringLiteral(".pdf"))
                       : ReportTexts::kReportFileKind + QStringLiteral(".pdf");
        });
    Command2 = print.print;
    m_preview = print.preview;
    m_pdf = print.pdf;
    layout->addLayout(row);
    // Releasing the mouse over the report hands the focus to its print button.
    Text1->viewport()->installEventFilter(this);

    showReport();
    connect(&m_session, &MenuSession::reportChanged, this, &ReportTab::showReport);
    // A file is written: it waits for a log-in as the other actions that store data.
    connect(m_csv, &QPushButton::clicked, this, [this] {
        whenAllowed<ReportTab>(ActionRequest::plain(JournalAction::Csv), this,
                               [](ReportTab& tab) { tab.exportCsv(); });
    });
}

ReportTab::~ReportTab() = default;

void ReportTab::showReport()
{
    Text1->setPlainText(m_session.reportText());
    // The files are of a report: before the first one there is none.
    const bool haveReport = m_session.lastRun().has_value();
    m_csv->setEnabled(haveReport && !m_export);
    m_pdf->setEnabled(haveReport);
    m_preview->setEnabled(haveReport);
}

void ReportTab::exportCsv()
{
    const auto& run = m_session.lastRun();
    if (!run || m_export)
        return;
    const SaveChoice choice = choosePath(run->fileName(QStringLiteral(".csv")),
                                         menu_texts::kCsvFiles, ExportTarget::Kind::Csv);
    if (choice.path.isEmpty())
        return;
    const QChar separator =
        choice.filter == 1 ? ReportCsvExport::kComma : ReportCsvExport::kSemicolon;
    journal(operatorActions(), JournalAction::Csv, 0, 0, choice.path);
    m_export = m_session.csvExport(choice.path, separator).release();
    m_export->setParent(this);
    m_export->setObjectName(QStringLiteral("CsvExport"));
    m_csv->setEnabled(false);

    m_progress = new QProgressDialog(ReportTexts::kExporting, menu_texts::kCancel, 0,
                                     m_export->dayCount(), this);
    m_progress->setObjectName(QStringLiteral("CsvProgress"));
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    m_progress->setMinimumDuration(300);
    m_progress->setValue(0);
    connect(m_progress, &QProgressDialog::canceled, m_export, &ReportCsvExport::cancel);
    connect(m_export, &ReportCsvExport::progress, m_progress, &QProgressDialog::setValue);
    connect(m_export, &ReportCsvExport::finished, this, &ReportTab::csvFinished);
    emit operatorMessage(ReportTexts::kExporting);
    m_export->start();
}

void ReportTab::csvFinished(bool, const QString& message)
{
    emit operatorMessage(message);
    if (m_progress) {
        m_progress->deleteLater();
        m_progress = nullptr;
    }
    // The export emits this from its own slice: it is deleted once back on the event loop.
    m_export->deleteLater();
    m_export.clear();
    m_csv->setEnabled(m_session.lastRun().has_value());
}

bool ReportTab::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Text1->viewport() && event->type() == QEvent::MouseButtonRelease)
        Command2->setFocus();
    return MenuTabForm::eventFilter(watched, event);
}

} // namespace zelvan

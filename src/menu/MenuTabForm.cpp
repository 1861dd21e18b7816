#include "menu/MenuTabForm.h"

#include "core/DurableFile.h"
#include "core/OperatorActions.h"
#include "core/PrintSink.h"
#include "menu/MenuTexts.h"
#include "menu/PrintJob.h"
#include "report/ReportTexts.h"

#include <QBoxLayout>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPaintEngine>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

namespace zelvan {

QString MenuTabForm::indexed(const char* name, int i)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i);
}

QPushButton* MenuTabForm::button(const QString& caption, const char* name)
{
    return named(new QPushButton(caption), QLatin1String(name));
}

QLabel* MenuTabForm::fileNotice(const char* name)
{
    auto* notice = named(new QLabel, QString::fromLatin1(name));
    notice->setWordWrap(true);
    notice->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0); font-weight: bold"));
    notice->hide();
    return notice;
}

void MenuTabForm::showFileNotice(QLabel* notice, const QString& text, const QString& problem)
{
    notice->setText(problem.isEmpty() ? QString() : text.arg(problem));
    notice->setVisible(!problem.isEmpty());
}

QLabel* MenuTabForm::sunken(QLabel* label)
{
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    return label;
}

QWidget* MenuTabForm::spinButton(const char* name, const std::function<void()>& up,
                                 const std::function<void()>& down)
{
    auto* box = named(new QWidget, QLatin1String(name));
    box->setAccessibleName(QLatin1String(name));
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const bool isUp : {true, false}) {
        auto* arrow = new QToolButton;
        arrow->setArrowType(isUp ? Qt::UpArrow : Qt::DownArrow);
        arrow->setAutoRepeat(true);
        arrow->setFixedSize(22, 13);
        connect(arrow, &QToolButton::clicked, this, isUp ? up : down);
        layout->addWidget(arrow);
    }
    return box;
}

void MenuTabForm::reportPrint(const PrintOutcome& outcome)
{
    emit operatorMessage(outcome.operatorMessage());
}

QString MenuTabForm::fileNamePart(QString text)
{
    text.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char(':'), QLatin1Char('.'));
    return text.trimmed();
}

SaveChoice askSavePath(QWidget* parent, const QString& offered, const QStringList& types)
{
    QString chosenType;
    SaveChoice choice;
    choice.path = QFileDialog::getSaveFileName(parent, QString(), offered,
                                               types.join(QStringLiteral(";;")), &chosenType);
    choice.filter = std::max(0, int(types.indexOf(chosenType)));
    return choice;
}

MenuTabForm::PrintButtons MenuTabForm::addPrintButtons(QBoxLayout* row, const char* name,
                                                       PrintSink& sink,
                                                       const PrintDocument& document,
                                                       const std::function<QString()>& fileName)
{
    const QString base = QLatin1String(name);
    auto* print = named(new QPushButton(menu_texts::kPrint), base);
    auto* show = named(new QPushButton(menu_texts::kPreview), base + QStringLiteral("Preview"));
    auto* pdf = named(new QPushButton(menu_texts::kPdf), base + QStringLiteral("Pdf"));
    for (QPushButton* b : {show, pdf, print})
        row->addWidget(b);
    connect(print, &QPushButton::clicked, this, [this, &sink, document, base] {
        journal(m_operator, JournalAction::Print, 0, 0, base);
        reportPrint(document(sink));
    });
    connect(show, &QPushButton::clicked, this,
            [this, &sink, document, base] { preview(sink, document, base); });
    // A file is written: it waits for a log-in as the other actions that store data.
    connect(pdf, &QPushButton::clicked, this, [this, &sink, document, fileName] {
        whenAllowed<MenuTabForm>(ActionRequest::plain(JournalAction::Pdf), this,
                                 [&sink, document, fileName](MenuTabForm& tab) {
                                     tab.exportPdf(sink, document, fileName());
                                 });
    });
    return {print, show, pdf};
}

void MenuTabForm::preview(const PrintSink& sink, const PrintDocument& document, const QString& name)
{
    // The dialog owns its printer. Its pages are laid out at the resolution of
    // the printed page, so the preview breaks its pages where the print does.
    auto* dialog = new QPrintPreviewDialog(this);
    dialog->setObjectName(QStringLiteral("PrintPreview"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->printer()->setResolution(QPrinter(QPrinter::HighResolution).resolution());
    connect(dialog, &QPrintPreviewDialog::paintRequested, dialog,
            [this, &sink, document, name](QPrinter* printer) {
                // The preview's own pages are drawn through a recording engine;
                // any other engine is the operator printing from the dialog.
                const QPaintEngine* engine = printer->paintEngine();
                if (engine == nullptr || engine->type() != QPaintEngine::Picture) {
                    if (!printedFromPreview(*printer, name))
                        return;
                }
                if (const std::unique_ptr<PrintSink> page = sink.drawingOn(*printer))
                    document(*page);
            });
    dialog->open();
}

bool MenuTabForm::printedFromPreview(const QPrinter& printer, const QString& name)
{
    const QString file = printer.outputFileName();
    if (file.isEmpty()) {
        journal(m_operator, JournalAction::Print, 0, 0,
                name + QStringLiteral(", from the preview"));
        return true;
    }
    // The dialog's own "export to PDF" writes straight into the file it asked for.
    const ExportTarget::Verdict verdict = m_target.check(file, ExportTarget::Kind::Pdf);
    if (!verdict.allowed()) {
        journal(m_operator, JournalAction::Pdf, 0, 0, verdict.journalDetail());
        emit operatorMessage(verdict.operatorText(ExportTarget::Kind::Pdf));
        return false;
    }
    journal(m_operator, JournalAction::Print, 0, 0,
            name + QStringLiteral(", from the preview, to ") + file);
    return true;
}

SaveChoice MenuTabForm::choosePath(const QString& fileName, const QStringList& types,
                                   ExportTarget::Kind kind)
{
    SaveChoice choice = m_chooser(this, m_target.offeredPath(fileName), types);
    if (choice.path.isEmpty()) {
        emit operatorMessage(ReportTexts::kExportCancelled);
        return choice;
    }
    const ExportTarget::Verdict verdict = m_target.check(choice.path, kind);
    if (!verdict.allowed()) {
        journal(m_operator,
                kind == ExportTarget::Kind::Csv ? JournalAction::Csv : JournalAction::Pdf, 0, 0,
                verdict.journalDetail());
        emit operatorMessage(verdict.operatorText(kind));
        choice.path.clear();
    }
    return choice;
}

void MenuTabForm::exportPdf(const PrintSink& sink, const PrintDocument& document,
                            const QString& fileName)
{
    const SaveChoice choice =
        choosePath(fileName, {menu_texts::kPdfFiles}, ExportTarget::Kind::Pdf);
    if (choice.path.isEmpty())
        return;
    // Written beside the chosen file, which it replaces only when complete.
    const QString tmp = DurableFile::temporaryPathOf(choice.path);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(tmp);
    printer.setDocName(QFileInfo(choice.path).completeBaseName());
    const std::unique_ptr<PrintSink> file = sink.drawingOn(printer);
    const bool printed = file && document(*file).printed;
    DurableFile target(choice.path);
    if (!printed || !QFileInfo::exists(tmp)) {
        DurableFile::discard(tmp);
        emit operatorMessage(ReportTexts::kExportFailed + choice.path);
        return;
    }
    if (!target.replaceWith(tmp)) {
        emit operatorMessage(ReportTexts::kExportFailed + target.errorString());
        return;
    }
    journal(m_operator, JournalAction::Pdf, 0, 0, choice.path);
    emit operatorMessage(ReportTexts::kExportSaved + choice.path);
}

} // namespace zelvan

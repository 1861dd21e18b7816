#include "menu/JournalTab.h"

#include "core/DurableFile.h"
#include "journal/JournalTexts.h"
#include "menu/JournalView.h"
#include "menu/MenuSession.h"
#include "menu/MenuTexts.h"
#include "menu/PrintJob.h"
#include "report/ReportCsv.h"
#include "report/ReportTexts.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zelvan {

JournalTab::JournalTab(MenuSession& session, PrintSink& sink, QWidget* parent)
    : MenuTabForm(parent), m_session(session), m_view(session.journalView())
{
    auto* layout = new QVBoxLayout(this);
    auto* filters = new QHBoxLayout;
    filters->addWidget(new QLabel(journal_texts::dayLabel()));
    m_day = named(new QDateEdit(m_view.day()), QStringLiteral("JournalDay"));
    m_day->setCalendarPopup(true);
    m_day->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    filters->addWidget(m_day);
    filters->addWidget(new QLabel(journal_texts::operatorFilter()));
    m_operator = named(new QComboBox, QStringLiteral("JournalOperator"));
    m_operator->setMinimumContentsLength(12);
    filters->addWidget(m_operator);
    filters->addWidget(new QLabel(journal_texts::objectFilter()));
    m_object = named(new QSpinBox, QStringLiteral("JournalObject"));
    m_object->setRange(0, kObjectCount);
    m_object->setSpecialValueText(journal_texts::allOperators());
    filters->addWidget(m_object);
    filters->addStretch();
    layout->addLayout(filters);

    m_notice = fileNotice("JournalNotice");
    layout->addWidget(m_notice);
    m_list = named(new QTreeWidget, QStringLiteral("JournalList"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderLabels(journal_texts::journalHeader().split(QLatin1Char('\t')));
    m_list->header()->setStretchLastSection(true);
    layout->addWidget(m_list, 1);

    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* csv = named(new QPushButton(menu_texts::kCsv), QStringLiteral("JournalCsv"));
    row->addWidget(csv);
    addPrintButtons(
        row, "JournalPrint", sink,
        [this](PrintSink& target) {
            return printReport(target, m_session.options().printerFont(), m_view.text());
        },
        [this] { return m_view.fileName(QStringLiteral(".pdf")); });
    layout->addLayout(row);

    connect(m_day, &QDateEdit::dateChanged, this, [this](QDate day) { m_view.setDay(day); });
    connect(m_operator, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!m_showing)
            m_view.setOperatorFilter(i <= 0 ? QString() : m_operator->itemText(i));
    });
    connect(m_object, &QSpinBox::valueChanged, this, [this](int k) { m_view.setObjectFilter(k); });
    // A file is written: it waits for a log-in as the other actions that store data.
    connect(csv, &QPushButton::clicked, this, [this] {
        whenAllowed<JournalTab>(ActionRequest::plain(JournalAction::Csv), this,
                                [](JournalTab& tab) { tab.exportCsv(); });
    });
    connect(&m_view, &JournalView::changed, this, &JournalTab::showJournal);
    showJournal();
}

// Each time the tab comes into sight it reads the day's file again: the
// journal grows while the menu is open.
void JournalTab::showEvent(QShowEvent* event)
{
    MenuTabForm::showEvent(event);
    m_view.reload();
}

void JournalTab::showJournal()
{
    m_showing = true;
    const QString chosen = m_operator->currentIndex() > 0 ? m_operator->currentText() : QString();
    m_operator->clear();
    m_operator->addItem(journal_texts::allOperators());
    m_operator->addItems(m_view.operatorsOfDay());
    m_operator->setCurrentIndex(qMax(0, m_operator->findText(chosen)));
    m_showing = false;

    showFileNotice(m_notice, QStringLiteral("%1"), m_view.notice());
    m_list->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(m_view.shown().size());
    for (const JournalEntry& e : m_view.shown())
        items.append(new QTreeWidgetItem(JournalView::shownFields(e)));
    m_list->addTopLevelItems(items);
    for (int column = 0; column + 1 < m_list->columnCount(); ++column)
        m_list->resizeColumnToContents(column);
    if (!items.isEmpty())
        m_list->scrollToItem(items.last());
}

void JournalTab::exportCsv()
{
    const SaveChoice choice = choosePath(m_view.fileName(QStringLiteral(".csv")),
                                         menu_texts::kCsvFiles, ExportTarget::Kind::Csv);
    if (choice.path.isEmpty())
        return;
    const QChar separator =
        choice.filter == 1 ? ReportCsvExport::kComma : ReportCsvExport::kSemicolon;
    DurableFile file(choice.path);
    if (!file.replace(m_view.csv(separator))) {
        emit operatorMessage(ReportTexts::kExportFailed + file.errorString());
        return;
    }
    journal(operatorActions(), JournalAction::Csv, 0, 0, choice.path);
    emit operatorMessage(ReportTexts::kExportSaved + choice.path);
}

} // namespace zelvan

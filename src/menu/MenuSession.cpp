#include "menu/MenuSession.h"

#include "core/Addressing.h"
#include "core/Clock.h"
#include "core/ObjectFiles.h"
#include "core/OperatorActions.h"
#include "core/StationState.h"
#include "menu/MenuLabels.h"
#include "menu/MenuTexts.h"
#include "report/ArchiveReport.h"
#include "report/ReportCsv.h"
#include "report/ReportTexts.h"

namespace zelvan {

MenuSession::MenuSession(StationState& state, ScreenState& screen, ObjectFiles& files,
                         StateRestore& restore, OptionsFile& optionsFile, const Clock& clock,
                         QObject* parent)
    : QObject(parent), m_state(state), m_files(files), m_clock(clock),
      m_options(state, screen, optionsFile), m_names(state, files), m_board(state, files),
      m_restore(restore)
{
    m_journalView.setDay(clock.now().date());
    connect(&m_options, &MenuOptions::saveFailed, this, &MenuSession::writeFailed);
    connect(&m_names, &NamesRegister::writeFailed, this, &MenuSession::writeFailed);
    connect(&m_names, &NamesRegister::readFailed, this, &MenuSession::readFailed);
    connect(&m_board, &BoardConfiguration::writeFailed, this, &MenuSession::writeFailed);
    connect(&m_board, &BoardConfiguration::readFailed, this, &MenuSession::readFailed);
    // Both objects lists show the same entries.
    connect(&m_names, &NamesRegister::entryChanged, this,
            [this] { m_request.setEntries(m_names.entries()); });
}

void MenuSession::open(const QStringList& printerFontNames)
{
    m_period.resetTo(m_clock.now().date());
    m_request.clearSelection();
    m_reportText.clear();
    m_lastRun.reset();
    m_options.setFontNames(printerFontNames);
    m_options.load();
    m_names.load();
    m_request.setEntries(m_names.entries());
    m_board.reset();
    // The information text of the first object, as if the names tab had just been left.
    m_tab = tabIndex(MenuTab::ArchiveRequest);
    onTabChange(tabIndex(MenuTab::ObjectsList), tabIndex(MenuTab::ArchiveRequest));
    emit currentTabChanged(m_tab);
}

QString MenuSession::moduleCaption(int m) const { return menuModuleCaption(m_state, m); }

QString MenuSession::aboutText()
{
    return menu_texts::kAboutSentence + QStringLiteral("\n\n") + menu_texts::kFirmwareSentence
           + QStringLiteral("\n\n") + menu_texts::kMakerContact;
}

void MenuSession::setCurrentTab(int tab)
{
    if (tab < 0 || tab >= kMenuTabCount || tab == m_tab)
        return;
    const int previous = m_tab;
    m_tab = tab;
    onTabChange(previous, tab);
    emit currentTabChanged(tab);
}

void MenuSession::onTabChange(int previous, int next)
{
    if (previous == tabIndex(MenuTab::ObjectsList))
        m_names.loadInformation();
    if (previous == tabIndex(MenuTab::Settings))
        m_options.saveIfChanged();
    if (next == tabIndex(MenuTab::Restore))
        m_restore.refresh();
    else if (next == tabIndex(MenuTab::ObjectsConfiguration))
        m_board.load(m_names.currentObject());
}

PeriodLabels MenuSession::periodLabels() const { return m_period.labels(m_state.MonthName); }

void MenuSession::setOperatorActions(OperatorActions* actions)
{
    m_operator = actions;
    m_options.setOperatorActions(actions);
}

void MenuSession::setJournal(const Journal* journal) { m_journalView.setJournal(journal); }

ActionRequest MenuSession::objectRequest(JournalAction action) const
{
    return ActionRequest::onObject(action, m_state, m_names.currentObject());
}

ActionRequest MenuSession::moduleRequest(JournalAction action, int m) const
{
    return ActionRequest::onModule(action, m_state, m);
}

bool MenuSession::saveName()
{
    const int k = m_names.currentObject();
    const QString old = m_files.name(k).trimmed();
    if (!m_names.saveName())
        return false;
    journal(m_operator, JournalAction::Names, k, moduleOf(k),
            QStringLiteral("\"%1\" -> \"%2\"").arg(old, m_names.nameText()));
    return true;
}

QString MenuSession::reportDetail() const
{
    const ReportScope scope = ReportScope::of(m_period);
    QStringList kinds;
    const std::array<bool, 4> boxes = {m_request.Check8, m_request.Check9, m_request.Check13,
                                       m_request.Check10};
    for (size_t i = 0; i < boxes.size(); ++i) {
        if (boxes[i])
            kinds << menu_texts::kKindCaptions[i];
    }
    return QStringLiteral("%1 %2.00 - %3 %4.00; %5; %6 objects")
        .arg(scope.first.toString(Qt::ISODate))
        .arg(m_period.FromHour(), 2, 10, QLatin1Char('0'))
        .arg(scope.last.toString(Qt::ISODate))
        .arg(m_period.ToHour(), 2, 10, QLatin1Char('0'))
        .arg(kinds.join(QStringLiteral(", ")))
        .arg(m_request.selectedCount());
}

void MenuSession::runReport()
{
    journal(m_operator, JournalAction::Report, 0, 0, reportDetail());
    const ArchiveReportResult result = ArchiveReport(m_state, m_files).build(m_period, m_request);
    m_reportText = result.text;
    m_lastRun =
        ReportRun{ReportScope::of(m_period), m_period.FromHour(), m_period.ToHour(), m_request};
    emit reportChanged();
    setCurrentTab(MenuTab::ArchiveData);
}

QString ReportRun::fileName(const QString& suffix) const
{
    const auto at = [](const QDate& day, int hour) {
        return day.toString(Qt::ISODate)
               + QStringLiteral(" %1.00").arg(hour, 2, 10, QLatin1Char('0'));
    };
    return ReportTexts::kReportFileKind + QLatin1Char(' ') + at(scope.first, fromHour)
           + QStringLiteral(" - ") + at(scope.last, toHour) + suffix;
}

QString MenuSession::reportsDir() const { return ObjectFiles::reportsDirOf(m_files.dataDir()); }

ExportTarget MenuSession::exportTarget() const
{
    return ExportTarget(m_programDir, m_files.dataDir());
}

std::unique_ptr<ReportCsvExport> MenuSession::csvExport(const QString& path, QChar separator) const
{
    if (!m_lastRun)
        return nullptr;
    return std::make_unique<ReportCsvExport>(m_state, m_files, m_lastRun->scope, m_lastRun->request,
                                             path, separator);
}

bool MenuSession::saveInformation()
{
    const int k = m_names.currentObject();
    if (!m_names.saveInformation())
        return false;
    journal(m_operator, JournalAction::Information, k, moduleOf(k),
            QStringLiteral("%1 characters").arg(m_names.informationText().size()));
    setCurrentTab(MenuTab::ObjectsList);
    return true;
}

bool MenuSession::confirmBoard()
{
    const int k = m_names.currentObject();
    // What was stored before, for the journal's old -> new.
    const QString change = m_board.changeFrom(k);
    if (!m_board.store(k))
        return false;
    journal(m_operator, JournalAction::Board, k, moduleOf(k), change);
    setCurrentTab(MenuTab::ObjectsList);
    return true;
}

void MenuSession::leave() { m_options.saveIfChanged(); }

} // namespace zelvan

#pragma once

#include "menu/BoardConfiguration.h"
#include "menu/ExportTarget.h"
#include "menu/JournalView.h"
#include "menu/MenuOptions.h"
#include "menu/NamesRegister.h"
#include "menu/StateRestore.h"
#include "report/ReportPeriod.h"
#include "report/ReportRequest.h"
#include "report/ReportWalker.h"

#include <QObject>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>

namespace zelvan {

struct StationState;
class ScreenState;
class ObjectFiles;
class OptionsFile;
class Clock;
class ReportCsvExport;
class OperatorActions;

// The request that built a report, kept for the report's files.
struct ReportRun
{
    ReportScope scope;
    int fromHour = 0;
    int toHour = 0;
    ReportRequest request;

    // The name offered for a file of the report: kind, first day and hour,
    // " - ", last day and hour, then the suffix (".pdf", ".csv").
    QString fileName(const QString& suffix) const;
};

// Tabs of SSTab1, in their order.
enum class MenuTab
{
    ArchiveRequest = 0,
    ObjectsList = 1,
    Settings = 2,
    ArchiveData = 3,
    ObjectsInformation = 4,
    Information = 5,
    Restore = 6,
    ObjectsConfiguration = 7,
    Journal = 8,
};
// A tab's index in SSTab1.
constexpr int tabIndex(MenuTab tab) { return static_cast<int>(tab); }
constexpr int kMenuTabCount = 9;

// One opening of the menu window: its tabs' models, the current tab and the
// rules that run when the operator changes tab or leaves the window. What must
// outlive the window is given to it: the state restore, which runs to its end
// when the window is left, and the options file, which keeps a choice that
// could not be written.
class MenuSession : public QObject
{
    Q_OBJECT
public:
    MenuSession(StationState& state, ScreenState& screen, ObjectFiles& files, StateRestore& restore,
                OptionsFile& optionsFile, const Clock& clock, QObject* parent = nullptr);

    MenuOptions& options() { return m_options; }
    NamesRegister& names() { return m_names; }
    BoardConfiguration& board() { return m_board; }
    StateRestore& restore() { return m_restore; }
    // The archive request: the period, and the objects list List1 with the
    // module boxes Check11 and the kind boxes.
    ReportPeriod& period() { return m_period; }
    ReportRequest& request() { return m_request; }
    PeriodLabels periodLabels() const;
    // Text1: the last report built.
    QString reportText() const { return m_reportText; }
    // The request of that report; none before the first one.
    const std::optional<ReportRun>& lastRun() const { return m_lastRun; }
    // The reports folder of the data directory.
    QString reportsDir() const;
    // The program directory (zelvan.ini, the operators), where no export goes;
    // empty when not told.
    void setProgramDir(const QString& dir) { m_programDir = dir; }
    // Where the menu's CSV and PDF files may be written: never into the
    // program directory or the data directory.
    ExportTarget exportTarget() const;
    // The spreadsheet export of the last report's request into path; null
    // before the first report.
    std::unique_ptr<ReportCsvExport> csvExport(const QString& path, QChar separator) const;

    // Opening sequence: the report period set to today and nothing selected,
    // options and printer font from zelvan.ini (the printer's font names
    // first), the names from Name.dat with the first object current, the board
    // controls at their defaults, the information text of the first object,
    // then tab 0.
    void open(const QStringList& printerFontNames);

    // Captions of the module boxes Check11(m-1) and restore buttons Command8(m-1).
    QString moduleCaption(int m) const;
    // The information tab's text: what the system is, the module software it
    // needs and how to reach its maker, separated by empty lines.
    static QString aboutText();

    int currentTab() const { return m_tab; }
    // A tab change, by the operator or by a command: leaving the names tab
    // loads the information text, leaving the settings tab saves changed
    // options, entering the restore tab refreshes its buttons and entering the
    // configuration tab loads the current object's board settings.
    void setCurrentTab(int tab);
    void setCurrentTab(MenuTab tab) { setCurrentTab(tabIndex(tab)); }

    // Command1 "Ok": the report of the period built into Text1, then its tab shown.
    void runReport();

    // Command3: the name field saved.
    // An action on the object the register shows, or on module m, as the
    // log-in dialog names it while it waits.
    ActionRequest objectRequest(JournalAction action) const;
    ActionRequest moduleRequest(JournalAction action, int m) const;
    bool saveName();
    // Command4: the information text saved, then back to the objects list.
    bool saveInformation();
    // Double click on List2: on to the information tab.
    void openInformation() { setCurrentTab(MenuTab::ObjectsInformation); }
    // Command9: the board settings stored for the current object, then back to
    // the objects list. A failed write stays on the tab.
    bool confirmBoard();
    // Command10: back to the objects list, nothing stored.
    void cancelBoard() { setCurrentTab(MenuTab::ObjectsList); }
    // Command8 of module m.
    bool restoreModule(int m) { return m_restore.restore(m); }

    // Where the menu's actions ask for a log-in and are journaled.
    void setOperatorActions(OperatorActions* actions);
    OperatorActions* operatorActions() const { return m_operator; }
    // The journal tab's model: the actions of the journal given here, today's
    // first; the file is read when the tab is shown.
    void setJournal(const Journal* journal);
    JournalView& journalView() { return m_journalView; }
    // The journal's words for the period and kinds of a report.
    QString reportDetail() const;

    // Command7 or the window's close box: changed options are written.
    void leave();

signals:
    void currentTabChanged(int tab);
    // A new report text, or the period's hours swapped by the report.
    void reportChanged();
    // A file could not be written; path names it.
    void writeFailed(const QString& path);
    // A file that could not be read is kept as it is rather than replaced.
    void readFailed(const QString& path);

private:
    void onTabChange(int previous, int next);

    StationState& m_state;
    const ObjectFiles& m_files;
    const Clock& m_clock;
    MenuOptions m_options;
    NamesRegister m_names;
    BoardConfiguration m_board;
    StateRestore& m_restore;
    ReportPeriod m_period;
    ReportRequest m_request;
    QString m_reportText;
    std::optional<ReportRun> m_lastRun;
    int m_tab = tabIndex(MenuTab::ArchiveRequest);
    OperatorActions* m_operator = nullptr;
    JournalView m_journalView;
    QString m_programDir;
};

} // namespace zelvan

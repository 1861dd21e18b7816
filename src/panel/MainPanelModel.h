#pragma once

#include "core/OperatorActions.h"
#include "core/PanelControl.h"
#include "panel/SelectedObjectCommands.h"
#include "panel/ThresholdsPanel.h"

#include <QObject>
#include <QString>
#include <array>
#include <set>

namespace zelvan {

struct StationState;
class ObjectFiles;
class ObjectGrid;
class ModuleCommands;
class DayRecords;
class Clock;
class ScreenState;
class OperatorActions;

// The main panel's rules: page selection, presses on the object buttons, the
// marker colours, the module and object digits, and the thresholds panel with
// its gauges.
class MainPanelModel : public QObject, public PanelControl
{
    Q_OBJECT
public:
    enum MouseButton
    {
        LeftButton = 1,
        RightButton = 2
    };
    enum ShiftState
    {
        NoModifier = 0,
        ShiftModifier = 1
    };

    // The clock gives the time of the thresholds panel's records.
    MainPanelModel(StationState& state, ObjectFiles& files, ObjectGrid& grid,
                   ModuleCommands& commands, DayRecords& archive, const Clock& clock,
                   QObject* parent = nullptr);

    // SelectPage(p): the ribbon press handler.
    void SelectPage(int p) override;
    void measuredValueChanged() override;
    // button 1 = left, 2 = right; shift 0 = none, 1 = Shift (other values: the
    // selection only).
    void PressObjectButton(int i, int button, int shift) override;
    void ReleaseObjectButton() override;
    // A press as PressObjectButton, from the keypad or the grid (origin: the
    // journal's command_origin).
    void pressFrom(const QString& origin, int i, int button, int shift) override;
    // Where takes, releases, measurements, colours and thresholds ask for a
    // log-in and are journaled; none: they run at once, unjournaled.
    void setOperatorActions(OperatorActions* actions);
    // The page the grid shows.
    int currentPage() const;

    // Failures to save a marker colour are shown to the operator here.
    void attachScreen(ScreenState* screen) { m_screen = screen; }

    ThresholdsPanel& thresholds() { return m_thresholds; }
    const ThresholdsPanel& thresholds() const { return m_thresholds; }
    const StationState& state() const { return m_state; }
    const ObjectGrid& grid() const { return m_grid; }

    // Picture5: the system digit, hidden without a system prefix.
    int systemDigit() const;
    bool systemDigitVisible() const;
    // Picture1: the module digit of the shown page.
    int moduleDigit() const { return m_moduleDigit; }
    // Picture2..Picture4: hundreds, tens and units of the last pressed object.
    const std::array<int, 3>& objectDigits() const { return m_objectDigits; }
    // Label1(j): the module label above ribbon column j (0..7).
    QString moduleLabel(int column) const;
    // Tooltip of button i: the object's label and its name, read now.
    QString buttonToolTip(int i) const;
    // Records of Color.dat still to be written after a failed write.
    int pendingColorWrites() const { return int(m_colorPending.size()); }
    // Writes them, each with the colour held now (the supervision tick calls
    // it, so a colour is not left unsaved until the next Shift press).
    void writePendingColors();

signals:
    void changed();

private:
    // Selects grid button i: the object digits and thresholds follow.
    void select(int i);
    // The press on grid button i once the operator may act.
    // What a press does: take or release (left), measure (right), colour
    // (with a modifier).
    using Deed = JournalAction;
    Deed deedOf(int k, int button, int shift) const;
    void act(const QString& origin, int i, int button, Deed deed);
    void stepMarkerColor(int i, int button);
    void saveColor(int k);
    void reportColorProblem(bool failing);

    StationState& m_state;
    ObjectFiles& m_files;
    ObjectGrid& m_grid;
    SelectedObjectCommands m_selected;
    ScreenState* m_screen = nullptr;
    OperatorActions* m_operator = nullptr;
    ThresholdsPanel m_thresholds;
    int m_moduleDigit = 1;
    std::array<int, 3> m_objectDigits{};
    std::set<int> m_colorPending;
};

} // namespace zelvan

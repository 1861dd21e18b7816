#pragma once

#include <QString>

namespace zelvan {

// What the link, event and keypad parts ask of the main panel: the page
// selection (which repaints the shown page and resets the thresholds panel),
// the measurement after a measured value arrived, and a press on an object
// button as the operator's mouse would make it. Implemented by the panel's
// model; tests may pass a recording fake.
class PanelControl
{
public:
    virtual ~PanelControl() = default;
    // SelectPage(p): the ribbon press handler of the object grid.
    virtual void SelectPage(int p) = 0;
    // A measured value arrived: the balance gauge shows it and the next
    // request goes out while the measurement runs.
    virtual void measuredValueChanged() = 0;
    // A press on grid button i (0..63) of the shown page: button 1 = left,
    // 2 = right; shift 0 = none, 1 = Shift. Then its release.
    virtual void PressObjectButton(int i, int button, int shift) = 0;
    virtual void ReleaseObjectButton() = 0;
    // The same press, said to come from origin (the keypad, for the journal).
    virtual void pressFrom(const QString& origin, int i, int button, int shift)
    {
        Q_UNUSED(origin);
        PressObjectButton(i, button, shift);
    }
};

} // namespace zelvan

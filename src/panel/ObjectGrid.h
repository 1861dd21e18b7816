#pragma once

#include "core/StationLists.h"
#include "core/StationState.h"

#include <QObject>
#include <QString>
#include <array>

namespace zelvan {

// What the 64 object buttons and the 16 page ribbons of the main window show.
// The decoders repaint single buttons and ribbon markers; the page selection
// repaints the whole page (paintPage).
class ObjectGrid : public QObject, public GridRepaint
{
    Q_OBJECT
public:
    struct Button
    {
        int picture = 0;      // Image4 index: the guard state 0..3
        qint32 color = 0;     // marker (text) colour, red in the low byte
        bool enabled = false; // installed object
        QString caption;      // object number within the module
    };

    explicit ObjectGrid(const StationState& state, QObject* parent = nullptr);

    const Button& button(int i) const { return m_buttons[size_t(i)]; }
    // Image3 index of ribbon r: 0 gray, 1 red (violation on its page).
    int ribbon(int r) const { return m_ribbons[size_t(r)]; }

    // S2: repaints the button of object k when k is on the shown page.
    void repaintObject(int k) override;
    // S5 / RefreshRibbon: ribbon of k gray, then red if any object of its block is violated.
    void refreshRibbon(int k) override;
    // Violation message: ribbon of k red without scanning the block.
    void markRibbonViolated(int k) override;
    // Picture, colour, enabled state and caption of all 64 buttons from PageBase.
    void paintPage();
    // Marker colour of button i (Shift press); ObjColor is written by the caller.
    void setButtonColor(int i, qint32 color);

signals:
    void buttonChanged(int i);
    void ribbonChanged(int r);
    void pagePainted();

private:
    void setRibbon(int r, int marker);

    const StationState& m_state;
    std::array<Button, kButtonsPerPage> m_buttons{};
    std::array<int, kPageCount> m_ribbons{};
};

} // namespace zelvan

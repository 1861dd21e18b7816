#pragma once

namespace zelvan {

// What the link and event parts ask of the main panel: the page selection
// (which repaints the shown page and resets the thresholds panel) and the
// measurement gauge after a measured value arrived. Implemented by the panel's
// model; tests may pass a recording fake.
class PanelControl
{
public:
    virtual ~PanelControl() = default;
    // SelectPage(p): the ribbon press handler of the object grid.
    virtual void SelectPage(int p) = 0;
    // MeasuredValue changed: recompute the balance gauge fill.
    virtual void measuredValueChanged() = 0;
};

} // namespace zelvan

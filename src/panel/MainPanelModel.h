#pragma once

#include "core/PanelControl.h"

#include <QObject>

namespace zelvan {

struct StationState;
class ObjectFiles;
class ObjectGrid;
class CommandSender;
class DayArchive;
class Clock;

// The main panel's rules: page selection, presses on the object buttons, the
// marker colours, and the thresholds panel with its gauges.
class MainPanelModel : public QObject, public PanelControl
{
    Q_OBJECT
public:
    MainPanelModel(StationState& state, ObjectFiles& files, ObjectGrid& grid,
                   CommandSender& commands, DayArchive& archive, const Clock& clock,
                   QObject* parent = nullptr);

    // SelectPage(p): the ribbon press handler.
    void SelectPage(int p) override;
    void measuredValueChanged() override;
    // button 1 = left, 2 = right; shift 0 = none, 1 = Shift.
    void PressObjectButton(int i, int button, int shift);
    void ReleaseObjectButton();

signals:
    void changed();

private:
    StationState& m_state;
    ObjectFiles& m_files;
    ObjectGrid& m_grid;
    CommandSender& m_commands;
    DayArchive& m_archive;
    const Clock& m_clock;
};

} // namespace zelvan

#include "panel/MainPanelModel.h"

// Placeholder until the object grid and thresholds panel rules are written.
namespace zelvan {

MainPanelModel::MainPanelModel(StationState& state, ObjectFiles& files, ObjectGrid& grid,
                               CommandSender& commands, DayArchive& archive, const Clock& clock,
                               QObject* parent)
    : QObject(parent), m_state(state), m_files(files), m_grid(grid), m_commands(commands),
      m_archive(archive), m_clock(clock)
{
}

void MainPanelModel::SelectPage(int p) { Q_UNUSED(p); }
void MainPanelModel::measuredValueChanged() {}
void MainPanelModel::PressObjectButton(int i, int button, int shift)
{
    Q_UNUSED(i);
    Q_UNUSED(button);
    Q_UNUSED(shift);
}
void MainPanelModel::ReleaseObjectButton() {}

} // namespace zelvan

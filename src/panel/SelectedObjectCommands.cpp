#include "panel/SelectedObjectCommands.h"

#include "core/Addressing.h"
#include "core/ModuleCommands.h"
#include "core/StationState.h"

namespace zelvan {

SelectedObjectCommands::SelectedObjectCommands(StationState& state, ModuleCommands& commands)
    : m_state(state), m_commands(commands)
{
}

void SelectedObjectCommands::send(const QString& letter, const QString& tail) const
{
    if (!isObject(m_state.SelectedObject))
        return;
    m_commands.SendToModule(letter + m_state.SelectedObjectNo + tail + kCr,
                            moduleOf(m_state.SelectedObject));
}

void SelectedObjectCommands::startMeasurement() const
{
    if (!isObject(m_state.SelectedObject))
        return;
    m_state.PendingMeasure = QStringLiteral("U") + QString::number(m_state.SelectedObject);
    renewMeasurement();
}

void SelectedObjectCommands::renewMeasurement() const { send(QStringLiteral("U")); }

} // namespace zelvan

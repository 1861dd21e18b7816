#include "panel/SelectedObjectCommands.h"

#include "core/Addressing.h"
#include "core/ModuleCommands.h"
#include "core/NumericText.h"
#include "core/StationState.h"

namespace zelvan {

SelectedObjectCommands::SelectedObjectCommands(StationState& state, ModuleCommands& commands)
    : m_state(state), m_commands(commands)
{
}

bool SelectedObjectCommands::send(const QString& letter, const QString& tail) const
{
    return sendTo(m_state.SelectedObject, letter, tail);
}

bool SelectedObjectCommands::sendTo(int k, const QString& letter, const QString& tail) const
{
    if (!isObject(k))
        return false;
    return m_commands.SendToModule(letter + QString::number(objectNoOf(k)) + tail + kCr,
                                   moduleOf(k));
}

void SelectedObjectCommands::startMeasurement() const
{
    if (!isObject(m_state.SelectedObject))
        return;
    m_state.PendingMeasure = QStringLiteral("U") + QString::number(m_state.SelectedObject);
    renewMeasurement();
}

// The next request names the object being measured (PendingMeasure), not the
// selection: a press that selects another object meanwhile (Shift steps a
// colour) does not move the measurement, whose value and R record belong to
// the object it began on.
void SelectedObjectCommands::renewMeasurement() const
{
    const qint64 k = integerValue(QStringView(m_state.PendingMeasure).mid(1));
    if (!isObject(int(k)))
        return;
    m_commands.SendToModule(QStringLiteral("U") + QString::number(objectNoOf(int(k))) + kCr,
                            moduleOf(int(k)));
}

} // namespace zelvan

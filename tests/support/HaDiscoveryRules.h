#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zelvan::test {

// Every rule of Home Assistant's MQTT documentation that a discovery config
// breaks, each a short text naming the key and the rule ("sensor: options
// without device_class enum", "topic: ..."); empty when the config is one
// Home Assistant takes as documented.
//
// The topic is homeassistant/<component>/[<node_id>/]<object_id>/config, for
// the components the panel announces: sensor, binary_sensor and
// alarm_control_panel. An empty payload is the documented way to remove a
// discovered entity, so then only the topic is checked.
//
// Stricter than Home Assistant on purpose in one point: Home Assistant
// ignores keys it does not know, this names them, so that a misspelt key
// does not pass unnoticed. Abbreviated keys ("stat_t") count as unknown: the
// panel writes the full names only.
QStringList discoveryProblems(const QString& topic, const QByteArray& payload);

// The states an alarm control panel accepts on its state topic, in lower
// case, as Home Assistant's alarm_control_panel.mqtt page lists them: what the
// state payload, or a value template's output, must be. (The payload "None"
// resets the panel to unknown and an empty one is ignored; neither is listed.)
QStringList alarmStates();

} // namespace zelvan::test

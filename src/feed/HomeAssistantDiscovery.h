#pragma once

#include "core/StationState.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace zelvan {

class FeedMessages;

// One retained message: its topic and payload (empty: the topic is cleared).
struct RetainedMessage
{
    QString topic;
    QByteArray payload;
};

// Home Assistant's discovery configs of the station, under "homeassistant".
//
// A tree of devices: the station (`<node>`) with a connectivity sensor on its
// status and a sensor of the violations count; each module a device via the
// station, with a connectivity sensor on its link; each installed object's
// three entities on its module's device: an enum sensor of its guard state, a
// problem sensor on while it is violated, and a read-only alarm panel. Every
// entity of an object is available only while both the station is on line
// and its module's link is not lost, and carries the object's last record as
// its attributes. Entity ids come from the object number, so renaming an
// object in the register renames the entities without making new ones.
class HomeAssistantDiscovery
{
public:
    HomeAssistantDiscovery(const FeedMessages& messages, const StationState& state);

    // `<node>`: the prefix with every character other than a letter, digit
    // or '-' replaced by '_'; the device and unique ids start with it.
    QString nodeId() const;
    // The node's name when not the prefix (two panels of a pair share one).
    void setNode(const QString& node) { m_node = node; }
    // The station's device and its two entities.
    std::vector<RetainedMessage> stationConfigs() const;
    // The connectivity sensor of module m, on the module's device.
    RetainedMessage moduleConfig(int m) const;
    // The three entities of installed object k; name: from Name.dat.
    std::vector<RetainedMessage> objectConfigs(int k, const QString& name) const;
    // Their topics, cleared when the module's version reply says the object
    // is no longer installed.
    std::vector<QString> objectConfigTopics(int k) const;

    // What the alarm panel shows for each guard-state word of the object's
    // state topic; anything else is "None", Home Assistant's unknown state.
    static constexpr const char* kAlarmTemplate =
        "{% set s = {'released': 'disarmed', 'taken': 'armed_away', 'violated': 'triggered', "
        "'take_requested': 'arming'} %}{{ s[value] if value in s else 'None' }}";

private:
    QString topic(const char* component, const QString& objectId) const;
    QString entityId(const char* component, const QString& objectId) const;
    QString objectTitle(int k, const QString& name) const;

    const FeedMessages& m_messages;
    const StationState& m_state;
    QString m_node;
};

} // namespace zelvan

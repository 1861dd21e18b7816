#include "feed/StateFeed.h"

#include "core/Addressing.h"
#include "core/BrokerLink.h"
#include "events/AlarmList.h"

namespace zelvan {

StateFeed::StateFeed(const StationState& state, const AlarmList& alarms, BrokerLink& link,
                     const FeedMessages& messages, bool homeAssistant, Names names, QObject* parent)
    : QObject(parent), m_state(state), m_alarms(alarms), m_link(link), m_messages(messages),
      m_names(std::move(names))
{
    if (homeAssistant)
        m_discovery.emplace(m_messages, m_state);
    m_sentObject.fill(-1);
    m_sentModule.fill(-1);
    m_known.fill(Known::Not);
    m_scan.setInterval(kScanMs);
    connect(&m_scan, &QTimer::timeout, this, &StateFeed::scan);
    m_lastRecordTimer.setInterval(kLastRecordMs);
    connect(&m_lastRecordTimer, &QTimer::timeout, this, &StateFeed::publishLastRecords);
}

void StateFeed::setDiscoveryNode(const QString& node)
{
    if (m_discovery)
        m_discovery->setNode(node);
}

void StateFeed::setDiscovering(bool on)
{
    if (on == m_discovering)
        return;
    m_discovering = on;
    // The configs go with a full scan: the entities follow this panel now.
    if (on && m_link.isConnected())
        sendAllAgain();
}

void StateFeed::connectionChanged(bool connected)
{
    m_sending.clear();
    m_sendingTopics.clear();
    m_held.clear();
    if (!connected) {
        m_scan.stop();
        m_lastRecordTimer.stop();
        return;
    }
    publish(m_messages.statusTopic(), "online");
    sendAllAgain();
    m_scan.start();
    m_lastRecordTimer.start();
}

void StateFeed::sendAllAgain()
{
    m_sentObject.fill(-1);
    m_sentModule.fill(-1);
    m_known.fill(Known::Not);
    m_sentViolations = -1;
    m_fullScan = true;
    for (int k = 1; k <= kObjectCount; ++k)
        m_lastRecordChanged.setBit(k, !m_lastRecord[size_t(k)].isEmpty());
    scan();
}

void StateFeed::scan()
{
    if (!m_link.isConnected())
        return;
    const bool full = m_fullScan;
    m_fullScan = false;
    if (full && discovering()) {
        for (const RetainedMessage& config : m_discovery->stationConfigs())
            publish(config);
    }
    for (int m = 1; m <= kModuleCount; ++m)
        scanModule(m, full);
    const int violations = m_alarms.count();
    if (violations != m_sentViolations) {
        publish(m_messages.violationsTopic(), QByteArray::number(violations));
        m_sentViolations = violations;
    }
}

void StateFeed::scanModule(int m, bool full)
{
    if (!m_state.ModuleEnabled[size_t(m)])
        return;
    if (full && discovering())
        publish(m_discovery->moduleConfig(m));
    const bool started = m_state.ModuleStarted[size_t(m)];
    const qint16 link = started ? 1 : m_state.ModuleLinkLost[size_t(m)] ? 0 : -1;
    if (link >= 0 && link != m_sentModule[size_t(m)]) {
        publish(m_messages.moduleTopic(m), FeedMessages::moduleLink(link == 1));
        m_sentModule[size_t(m)] = link;
    }
    // A module that is not on line says nothing of its objects: what was
    // last known of them stays at the broker until it starts again.
    if (!started)
        return;
    for (int k = globalIndex(m, 1); k <= globalIndex(m, kObjectsPerModule); ++k)
        scanObject(k, full);
}

void StateFeed::scanObject(int k, bool full)
{
    const auto i = size_t(k);
    Known& known = m_known[i];
    qint16& sent = m_sentObject[i];
    if (m_state.ObjInstalled[i] == 0) {
        // The module's version reply no longer lists it: its state and
        // entities go, once.
        if (known == Known::Removed)
            return;
        publish(m_messages.objectTopic(k), QByteArray());
        if (discovering()) {
            for (const QString& topic : m_discovery->objectConfigTopics(k))
                publish(topic, QByteArray());
        }
        known = Known::Removed;
        sent = -1;
        return;
    }
    if (discovering() && (known != Known::Installed || full)) {
        for (const RetainedMessage& config : m_discovery->objectConfigs(k, m_names(k)))
            publish(config);
    }
    known = Known::Installed;
    const qint16 code = m_state.ObjState[i];
    const QByteArray state = FeedMessages::objectState(code);
    if (state.isEmpty() || code == sent)
        return;
    publish(m_messages.objectTopic(k), state);
    sent = code;
}

void StateFeed::noteRecord(int k, const QByteArray& message)
{
    m_lastRecord[size_t(k)] = message;
    m_lastRecordChanged.setBit(k);
}

void StateFeed::publishLastRecords()
{
    if (!m_link.isConnected())
        return;
    for (int k = 1; k <= kObjectCount; ++k) {
        if (!m_lastRecordChanged.testBit(k))
            continue;
        m_lastRecordChanged.clearBit(k);
        publish(m_messages.lastRecordTopic(k), m_lastRecord[size_t(k)]);
    }
}

// At most one message of each topic waits for its acknowledgement; a newer
// value meanwhile replaces any older one still held back, and goes out when
// the one sent is acknowledged.
void StateFeed::publish(const QString& topic, const QByteArray& payload)
{
    if (m_sendingTopics.contains(topic)) {
        m_held.insert(topic, payload);
        return;
    }
    const int id = m_link.publish(topic, payload, true);
    if (id > 0) {
        m_sending.insert(id, topic);
        m_sendingTopics.insert(topic);
    }
}

std::optional<QString> StateFeed::acknowledged(int id)
{
    if (!m_sending.contains(id))
        return std::nullopt;
    QString topic = m_sending.take(id);
    m_sendingTopics.remove(topic);
    if (m_held.contains(topic))
        publish(topic, m_held.take(topic));
    return topic;
}

std::optional<QString> StateFeed::refused(int id)
{
    if (!m_sending.contains(id))
        return std::nullopt;
    QString topic = m_sending.take(id);
    // Sent again in full after the pause.
    m_sendingTopics.remove(topic);
    m_held.remove(topic);
    return topic;
}

} // namespace zelvan

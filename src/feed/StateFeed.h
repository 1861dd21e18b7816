#pragma once

#include "core/StationState.h"
#include "feed/FeedMessages.h"
#include "feed/HomeAssistantDiscovery.h"

#include <QBitArray>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>

namespace zelvan {

class AlarmList;
class BrokerLink;

// The station's retained states on the broker: each object's guard state
// and last record, each module's link, the violations count, the status,
// and with Home Assistant on, the discovery configs.
//
// Everything is compared with what was last sent at each scan and sent in
// full after each connection. What the panel does not know is not said: an
// object's state and configs follow its module only while the module is on
// line (after its start-up exchange), so a restart of the panel or a silent
// module leaves the last known ones standing at the broker, and only a
// version reply that no longer lists an object removes it. A module's link
// is "online" once it started and "lost" once the supervision recorded the
// loss; before either it is not sent.
//
// Of each topic one message at most waits for its acknowledgement, and one
// newer value at most is held back behind it: a slow broker costs a bounded
// number of messages, never a queue of every change.
class StateFeed : public QObject
{
    Q_OBJECT
public:
    using Names = std::function<QString(int k)>;

    static constexpr int kScanMs = 250;
    // The objects' last records go at most this often: during a replay
    // they change with nearly every record.
    static constexpr int kLastRecordMs = 1000;

    StateFeed(const StationState& state, const AlarmList& alarms, BrokerLink& link,
              const FeedMessages& messages, bool homeAssistant, Names names,
              QObject* parent = nullptr);

    // In a pair of panels Home Assistant sees one station: both send their
    // configs under the node they share, and only the active one sends
    // them (setDiscovering), each config pointing at its own topics.
    void setDiscoveryNode(const QString& node);
    void setDiscovering(bool on);

    // After each connection everything is sent again; without one nothing.
    void connectionChanged(bool connected);
    // Sends what changed since the last scan.
    void scan();
    // After a refusal's pause: everything again, as after a connection.
    void sendAllAgain();
    // The last record of object k (its event message), for its attributes.
    void noteRecord(int k, const QByteArray& message);

    // The topic of one of its messages, acknowledged or refused; nothing
    // when the id is not one of its own.
    std::optional<QString> acknowledged(int id);
    std::optional<QString> refused(int id);

private:
    enum class Known : quint8
    {
        Not,       // nothing sent in this connection
        Installed, // configs sent
        Removed,   // cleared after a version reply without it
    };
    void scanModule(int m, bool full);
    void scanObject(int k, bool full);
    void publishLastRecords();
    void publish(const QString& topic, const QByteArray& payload);
    void publish(const RetainedMessage& message) { publish(message.topic, message.payload); }

    const StationState& m_state;
    const AlarmList& m_alarms;
    BrokerLink& m_link;
    const FeedMessages& m_messages;
    std::optional<HomeAssistantDiscovery> m_discovery;
    bool m_discovering = true;
    bool discovering() const { return m_discovery && m_discovering; }
    Names m_names;
    bool m_fullScan = true;

    // What was last sent of each state; -1 nothing.
    std::array<qint16, kObjectCount + 1> m_sentObject{};
    std::array<qint16, kModuleCount + 1> m_sentModule{};
    std::array<Known, kObjectCount + 1> m_known{};
    int m_sentViolations = -1;
    std::array<QByteArray, kObjectCount + 1> m_lastRecord;
    QBitArray m_lastRecordChanged{kObjectCount + 1};

    QTimer m_scan;
    QTimer m_lastRecordTimer;
    QHash<int, QString> m_sending;     // sent and not yet acknowledged
    QSet<QString> m_sendingTopics;     // their topics
    QHash<QString, QByteArray> m_held; // the latest value of each, held back meanwhile
};

} // namespace zelvan

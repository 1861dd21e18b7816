#pragma once

#include "feed/FeedMessages.h"
#include "feed/RecordFollower.h"
#include "feed/StateFeed.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <optional>

namespace zelvan {

class AlarmList;
class BrokerLink;
class Clock;
class DayArchive;
class ObjectFiles;
class ScreenState;
struct StationState;

// Sends the station's day records and states to the broker.
//
// The day files are the log (RecordFollower): the publisher reads them onward
// from its cursor, the place after the last record the broker acknowledged,
// and keeps at most `window` records unacknowledged. After an outage, a
// restart or a power cut sending resumes from the cursor, so a record may
// arrive twice but none is missed. Memory does not grow with the outage:
// nothing is queued beyond the window.
//
// The retained states (StateFeed) are compared with what was last sent after
// every synced batch and every StateFeed::kScanMs, and sent again in full
// after each connection.
class EventPublisher : public QObject
{
    Q_OBJECT
public:
    struct Sources
    {
        const StationState& state;
        const ObjectFiles& files;
        const AlarmList& alarms;
        DayArchive& archive;
        ScreenState& screen;
        const Clock& clock; // today's date: a day file after it is not read yet
    };
    struct Options
    {
        QString prefix;
        bool homeAssistant = false;
        QString broker;        // "host:port", for the operator's problem line
        QString cursorPath;    // where the cursor is kept
        int window = 256;      // records sent and not yet acknowledged, at most
        QString discoveryNode; // Home Assistant's node, when not the prefix (a pair shares one)
    };

    // A day file that could not be read, or a message the broker refused, is
    // tried again after this long.
    static constexpr int kRetryMs = 2000;
    static constexpr int kRefusedRetryMs = 10000;

    EventPublisher(Sources sources, BrokerLink& link, Options options, QObject* parent = nullptr);
    // Whether this panel sends Home Assistant's configs (in a pair: while it
    // is the active one).
    void setDiscovering(bool on) { m_states.setDiscovering(on); }

    // Loads the cursor and starts following the archive and the link.
    void start();

    // The place after the last acknowledged record, and after the last sent one.
    const FeedPosition& cursor() const { return m_records.cursor(); }
    const FeedPosition& next() const { return m_records.next(); }
    int inFlight() const { return m_records.inFlight(); }
    const FeedMessages& messages() const { return m_messages; }

private:
    void onConnection(bool connected);
    void onDelivered(int id);
    void onRefused(int id, const QString& reason);
    void retry();
    void wake();
    void pump();
    enum class Halt
    {
        None,
        Unreadable, // a day file could not be read: reading goes on where it stopped
        Refused,    // the broker refused a message: all is sent again from the cursor
    };
    void halt(Halt why);
    void clearRefusal();
    QString nameOf(int k);
    // Forgets the names read when Name.dat changed since they were read.
    void checkNames();
    // Object k's name as read since the last checkNames() that saw a change.
    QString cachedName(int k);

    Sources m_src;
    BrokerLink& m_link;
    Options m_options;
    FeedMessages m_messages;
    RecordFollower m_records;

    std::array<std::optional<QString>, kObjectCount + 1> m_names;
    qint64 m_namesStamp = -1;

    StateFeed m_states;
    QTimer m_wake;
    QTimer m_retry;
    Halt m_halt = Halt::None; // sending waits for m_retry
    bool m_readFailing = false;
    QString m_refusedTopic; // shown as refused until a message on it is accepted
};

} // namespace zelvan

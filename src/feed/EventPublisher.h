#pragma once

#include "feed/AckWindow.h"
#include "feed/DayFileTail.h"
#include "feed/FeedCursor.h"
#include "feed/FeedMessages.h"
#include "feed/StateFeed.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <optional>

class QDate;

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
// The day files are the log: the publisher reads them onward from its cursor
// in batches, only as far as the archive has synced them, and keeps at most
// `window` records unacknowledged. The cursor (the place after the last record
// the broker acknowledged) is saved at most once a second and at the end;
// after an outage, a restart or a power cut sending resumes from it, so a
// record may arrive twice but none is missed. Memory does not grow with the
// outage: nothing is queued beyond the window.
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

    static constexpr int kSaveMs = 1000;
    // A day file that could not be read, or a message the broker refused, is
    // tried again after this long.
    static constexpr int kRetryMs = 2000;
    static constexpr int kRefusedRetryMs = 10000;

    EventPublisher(Sources sources, BrokerLink& link, Options options, QObject* parent = nullptr);
    // Whether this panel sends Home Assistant's configs (in a pair: while it
    // is the active one).
    void setDiscovering(bool on) { m_states.setDiscovering(on); }
    ~EventPublisher() override; // saves the cursor

    // Loads the cursor and starts following the archive and the link.
    void start();

    // The place after the last acknowledged record, and after the last sent one.
    const FeedPosition& cursor() const { return m_cursor; }
    const FeedPosition& next() const { return m_next; }
    int inFlight() const { return m_inFlight.size(); }
    const FeedMessages& messages() const { return m_messages; }
    // Saves the cursor now when it moved since the last save.
    void saveCursor();

private:
    void onConnection(bool connected);
    void onDelivered(int id);
    void onRefused(int id, const QString& reason);
    void retry();
    void loadCursor();
    // Sending goes back to `to` when it is before the cursor: nothing sent
    // after the cursor and not yet acknowledged is ever passed over.
    void rewindTo(const FeedPosition& to);
    void onDaySynced(const QDate& date);
    void wake();
    void pump();
    enum class Halt
    {
        None,
        Unreadable, // a day file could not be read: reading goes on from m_next
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
    DayFileTail m_tail;
    FeedCursor m_cursorFile;
    FeedPosition m_cursor;
    FeedPosition m_next;
    FeedPosition m_left; // where the last finished day was left
    bool m_cursorDirty = false;
    // How far the archive has synced: the file of m_syncedDay up to
    // m_syncedSize; the files before it whole.
    QString m_syncedDay;
    qint64 m_syncedSize = 0;
    AckWindow m_inFlight;

    std::array<std::optional<QString>, kObjectCount + 1> m_names;
    qint64 m_namesStamp = -1;

    StateFeed m_states;
    QTimer m_wake;
    QTimer m_save;
    QTimer m_retry;
    Halt m_halt = Halt::None; // sending waits for m_retry
    bool m_readFailing = false;
    QString m_refusedTopic; // shown as refused until a message on it is accepted
};

} // namespace zelvan

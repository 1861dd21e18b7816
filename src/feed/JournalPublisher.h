#pragma once

#include "feed/AckWindow.h"
#include "feed/DayFileTail.h"
#include "feed/FeedCursor.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

namespace zelvan {

class BrokerLink;
class Clock;
class ScreenState;

// Sends the journal of the operator's actions to the broker, each line on
// <prefix>/journal, the way the day records go: the journal's day files
// ("yy-mm-dd.jrn") are read onward from a durable cursor of their own, at
// most `window` lines wait for their acknowledgement, and after an outage,
// a restart or a power cut sending resumes from the cursor. A line may
// arrive twice (its day and line number tell it), none is missed.
class JournalPublisher : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QString prefix;
        QString broker;     // "host:port", for the operator's problem line
        QString dataDir;    // where the journal's files are
        QString cursorPath; // where the cursor is kept
        int window = 64;
    };

    static constexpr int kSaveMs = 1000;
    static constexpr int kRetryMs = 2000;
    static constexpr int kRefusedRetryMs = 10000;

    JournalPublisher(BrokerLink& link, ScreenState& screen, const Clock& clock, Options options,
                     QObject* parent = nullptr);
    ~JournalPublisher() override; // saves the cursor

    void start();
    // Lines were added to the journal: read on (the sending happens after
    // the caller's handler, on the event loop).
    void wake();
    void saveCursor();
    // Sends what is left and waits, on a local event loop, until the broker
    // has acknowledged every line of the journal or `deadline` passed, or
    // the connection went; then saves the cursor. Whether it caught up.
    bool finish(const QDeadlineTimer& deadline);
    // Every line of the journal sent and acknowledged.
    bool caughtUp() const { return m_atEnd && m_inFlight.empty(); }

    QString topic() const { return m_options.prefix + QStringLiteral("/journal"); }
    const FeedPosition& cursor() const { return m_cursor; }
    int inFlight() const { return m_inFlight.size(); }
    // The message of one journal line.
    static QByteArray message(const TailRecord& record);

private:
    void onConnection(bool connected);
    void onDelivered(int id);
    void onRefused(int id, const QString& reason);
    void pump();
    void pause(int ms);

    BrokerLink& m_link;
    ScreenState& m_screen;
    const Clock& m_clock;
    Options m_options;
    DayFileTail m_tail;
    FeedCursor m_cursorFile;
    FeedPosition m_cursor;
    FeedPosition m_next;
    bool m_cursorDirty = false;
    bool m_readFailing = false;
    bool m_refused = false;
    bool m_atEnd = false; // the last pump found nothing more to send
    AckWindow m_inFlight;
    QTimer m_wake;
    QTimer m_save;
    QTimer m_retry;
};

} // namespace zelvan

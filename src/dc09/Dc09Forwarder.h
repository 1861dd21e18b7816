#pragma once

#include "dc09/Dc09Events.h"
#include "dc09/Dc09Frame.h"
#include "dc09/Dc09Settings.h"
#include "feed/RecordFollower.h"

#include <QObject>
#include <QTimer>
#include <deque>
#include <optional>

namespace zelvan {

class Clock;
class DayArchive;
class ReceiverLink;
class ScreenState;

namespace dc09 {

// Forwards the day records to the receiving centre, one message in flight at
// a time (its receivers answer in order), with the promise of the MQTT feed:
// at least once, in order, no gap, nothing queued beyond the message in
// flight. The day files are the log (RecordFollower, cursor dc09.cursor).
//
// ACK passes the message; NAK (the receiver's clock differs: it sends its
// time) sends it again at once with the timestamp corrected by the
// difference; DUH (received, not processed) lists the record in
// dc09-refused.txt and goes on. Without an answer within the timeout the
// message goes again, after three tries to the backup receiver, and back to
// the first one every minute. While idle a link test (NULL) goes every
// `supervision` seconds. Every trouble stays in the problem list until it
// is over.
class Forwarder : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTries = 3;
    // After a failed connection the next try waits this long (a receiver
    // that refuses at once is not asked a thousand times a second).
    static constexpr int kReconnectMs = 1000;
    // A partner's acknowledged place is taken this many records early: a few
    // go out twice rather than one being missed.
    static constexpr int kResendMargin = 5;
    // The partner's record is found in this panel's files with a time of day
    // at most this far from its own: the two panels' clocks differ a little.
    static constexpr int kPartnerClockS = 1;
    // A NAK whose time is this far from the panel's is about the clock.
    static constexpr int kClockSlackS = 2;
    // Records read from the day file at a time.
    static constexpr int kReadAhead = 64;

    struct Sources
    {
        DayArchive& archive;
        ScreenState& screen;
        const Clock& clock;
    };
    Forwarder(Sources sources, ReceiverLink& link, Settings settings, QString dataDir,
              QObject* parent = nullptr);

    // Loads the cursor and starts forwarding (unless setSending(false) came first).
    void start();
    // In a pair only the active panel forwards: off, nothing is sent and
    // what was in flight goes again from the cursor when it is back on.
    void setSending(bool on);
    bool sending() const { return m_sending; }
    // The partner's receiver acknowledged the record `text` of day `day`:
    // while this panel does not send, its cursor follows to that record of
    // its own files, kResendMargin records early.
    void followPartner(const QString& day, const QByteArray& text);

    const FeedPosition& cursor() const { return m_records.cursor(); }
    QString refusedPath() const;
    int sequence() const { return m_seq; }
    bool onBackup() const { return m_onBackup; }
    qint64 clockOffsetS() const { return m_offsetS; }

signals:
    // The receiver acknowledged record `text` of `day`: the cursor passed it.
    void acknowledged(const QString& day, const QByteArray& text);

private:
    struct Pending
    {
        TailRecord record;
        std::vector<Event> events;
        size_t index = 0;
    };
    void wake();
    void pump();
    bool takeNextRecord();
    void sendCurrent();
    void sendLinkTest();
    void transmit(const Header& header, const QByteArray& data);
    void onBytes(const QByteArray& bytes);
    void onAnswer(const Message& answer);
    void onFailed(const QString& reason);
    void onTimeout();
    void afterFailedTry();
    void passCurrent();
    void recordRefused(const TailRecord& record, const QString& why);
    void rebuildViolated();
    // Notes the violations of one day file from `from` up to byte `limit` (-1: its end).
    void noteViolated(FeedPosition from, qint64 limit);
    void showReceiverTrouble(const QString& text);
    const Settings::Endpoint& target() const;
    QDateTime sendingTime() const;
    int nextSequence();

    Sources m_src;
    ReceiverLink& m_link;
    Settings m_settings;
    QString m_dataDir;
    Cipher m_cipher;
    EventMapper m_mapper;
    RecordFollower m_records;
    FrameScanner m_scanner;

    std::deque<TailRecord> m_ahead; // read, not yet sent
    FeedPosition m_aheadFrom;       // the place m_ahead's first record follows
    std::optional<Pending> m_pending;
    bool m_linkTest = false; // the message in flight is a NULL
    bool m_inFlight = false;
    Header m_header;   // of the message in flight
    QByteArray m_data; // of the message in flight
    int m_seq = 0;
    int m_tries = 0;
    int m_naks = 0;
    bool m_onBackup = false;
    bool m_sending = true;
    bool m_started = false;
    qint64 m_offsetS = 0;
    int m_damaged = 0;
    bool m_readFailing = false;

    QTimer m_wake;
    QTimer m_answer;
    QTimer m_reconnect;
    QTimer m_idle;
    QTimer m_primaryAgain;
};

} // namespace dc09
} // namespace zelvan

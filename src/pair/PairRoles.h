#pragma once

#include "core/LineShare.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

namespace zelvan {

class BrokerLink;
class Clock;
class MonotonicClock;

// The rules of a pair of panels on one line: which of the two is active
// (the only one that writes to the line) and when the one on standby takes
// over. The panels see each other only through the broker: each publishes,
// retained, `<prefix>/role` ("active" / "standby") and `<prefix>/preferred`
// beside its `<prefix>/status`, and reads its partner's status, role,
// preferred and object states.
//
// Every panel of a pair starts on standby. The standby takes the line over
// when the partner is offline (or never ran) or on standby, nobody has asked
// the modules for a full supervision period (no prompt heard), it has not
// stepped down within the last minute, and it can see the broker; it
// publishes "active" and writes only once the broker has acknowledged that.
// A panel leaves the first half minute after its own start to a partner
// that outranks it (the preferred one, or between two alike the lower
// prefix) and is online or not seen at all: both may be starting. Without the broker, or with a
// pair that is configured wrongly, it never takes over by itself; once the
// line is silent the operator is offered to take it over.
//
// check() runs once a second; a gap of more than five seconds between two
// checks means the process was stopped (or the machine suspended): an
// active panel then writes nothing until it has read the partner's role
// again, and steps down if the partner took over meanwhile.
class PairRoles : public QObject, public LineShare
{
    Q_OBJECT
public:
    enum class Role
    {
        Standby,
        Active
    };
    struct Options
    {
        QString prefix;
        QString partner;
        bool preferred = false;
        // What is wrong with the pair's configuration: it never takes over by itself.
        QStringList problems;
    };

    static constexpr int kCheckMs = 1000;
    // A full supervision period without a prompt: nobody asks the modules.
    static constexpr qint64 kSilenceMs = 10000;
    // The first part of a panel's life that is left to a preferred partner.
    static constexpr qint64 kPreferredFirstMs = 30000;
    // A panel that stepped down does not take the line again before this.
    static constexpr qint64 kNoFlapMs = 60000;
    // A gap between two checks longer than this: the process was stopped.
    // The partner cannot have taken over within a stop shorter than a
    // silent period (10 s), so a busy moment of the panel's own thread does
    // not count as one.
    static constexpr qint64 kResumeGapMs = 5000;
    // After subscribing, the broker's retained values have arrived by then:
    // a partner that has none never ran.
    static constexpr qint64 kReadMs = 3000;

    PairRoles(Options options, const MonotonicClock& mono, const Clock& clock,
              QObject* parent = nullptr);

    // The broker through which the partner is seen; without one the panel
    // stays on standby unless the operator takes the line over.
    void attach(BrokerLink* link);

    // Once a second: promptsHeard counts every prompt character the line
    // has delivered since the start.
    void check(quint64 promptsHeard);
    // The active panel's serial port failed and did not reopen.
    void portFailed();
    // Whether this panel's ports are open: a panel that could not write to
    // the line does not take it over.
    void setLineOpen(bool open) { m_lineOpen = open; }
    // The operator hands the line over to the partner (active panel only).
    bool canHandOver() const { return writes(); }
    void handOver();
    // Nobody asks the modules and this panel cannot take over by itself:
    // the operator may take the line over at its word.
    bool takeOverOffered() const;
    void takeOver();

    bool writes() const override;
    bool silenceIsLoss() const override;

    Role role() const { return m_role; }
    QString partner() const { return m_options.partner; }
    // The partner is on line and says it is active.
    bool partnerActive() const;
    // Which panel is active and since when, for the main window.
    QString activeText() const;
    // What the operator must know about the pair; empty when all is well.
    QString problem() const;

    static QString roleTopic(const QString& prefix) { return prefix + QStringLiteral("/role"); }

    // A receiving centre is fed from this pair: the partner's place at the
    // centre (<partner>/dc09/acked) is read, and this panel's own is
    // published, retained, by shareForwarded().
    void followForwarding();
    void shareForwarded(const QByteArray& place);

signals:
    // This panel now has the line: the probe and the start-up exchange of
    // every module follow.
    void writingStarted();
    // This panel stopped writing (stepped down or handed over).
    void writingStopped(const QString& why);
    // The role, the partner's view, the problem or the offer changed.
    void changed();
    // The partner's retained guard state of object k ("released", "taken",
    // "violated", "take_requested"; empty: not installed).
    void partnerState(int k, const QByteArray& word);
    // The partner's last record the receiving centre acknowledged.
    void partnerForwarded(const QByteArray& place);

private:
    bool partnerOnline() const { return m_partnerStatus == QLatin1String("online"); }
    bool partnerOffline() const { return m_partnerStatus == QLatin1String("offline"); }
    bool partnerYields() const;
    bool partnerOutranks() const;
    bool bothPreferred() const;
    bool mayTakeOverByItself() const;
    qint64 silence() const;
    void evaluate();
    void claim();
    void acknowledged();
    void stepDown(const QString& why);
    void resumed();
    void partnerRead();
    void publishOwn();
    void subscribeAll();
    void subscribeRole();
    void onConnection(bool connected);
    void onReceived(const QString& topic, const QByteArray& payload);
    void announce();

    Options m_options;
    const MonotonicClock& m_mono;
    const Clock& m_clock;
    BrokerLink* m_link = nullptr;

    Role m_role = Role::Standby;
    bool m_acknowledged = false; // the broker has our "active"
    int m_claimId = 0;           // the "active" waiting for its acknowledgement
    bool m_held = false;         // resumed: not writing until the partner is read again
    bool m_lineOpen = true;
    QDateTime m_activeSince;

    bool m_connected = false;
    bool m_forwarding = false; // the partner's place at the receiving centre is read
    bool m_read = false;       // the partner's retained values read since the last subscription
    qint64 m_subscribedAt = 0;
    QString m_partnerStatus; // "online", "offline" or empty (never seen)
    QString m_partnerRole;
    bool m_roleAfterStatus = false; // the role came after the status it goes with
    bool m_partnerPreferred = false;
    QDateTime m_partnerSince;

    qint64 m_startedAt = 0;
    qint64 m_lastPrompt = 0;
    qint64 m_lastCheck = 0;
    qint64 m_steppedDownAt = 0;
    quint64 m_prompts = 0;
    QString m_lastSeen; // what announce() said last, so that changed() is sent on changes only
};

} // namespace zelvan

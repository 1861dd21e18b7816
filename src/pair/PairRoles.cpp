#include "pair/PairRoles.h"

#include "core/BrokerLink.h"
#include "core/Clock.h"
#include "core/Logging.h"
#include "core/MonotonicClock.h"
#include "pair/PairTexts.h"

namespace zelvan {

namespace texts = pair_texts;

namespace {

QByteArray roleWord(PairRoles::Role role)
{
    return role == PairRoles::Role::Active ? QByteArrayLiteral("active")
                                           : QByteArrayLiteral("standby");
}

} // namespace

PairRoles::PairRoles(Options options, const MonotonicClock& mono, const Clock& clock,
                     QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_mono(mono), m_clock(clock)
{
    m_startedAt = m_mono.msecs();
    m_lastPrompt = m_startedAt;
    m_lastCheck = m_startedAt;
    // As if it had stepped down long enough ago: nothing holds a first take-over.
    m_steppedDownAt = m_startedAt - kNoFlapMs;
}

void PairRoles::attach(BrokerLink* link)
{
    m_link = link;
    if (!m_link)
        return;
    connect(m_link, &BrokerLink::connectionChanged, this, &PairRoles::onConnection);
    connect(m_link, &BrokerLink::received, this,
            [this](const QString& topic, const QByteArray& payload, bool) {
                onReceived(topic, payload);
            });
    connect(m_link, &BrokerLink::delivered, this, [this](int id) {
        if (id == m_claimId && m_claimId != 0)
            acknowledged();
    });
    connect(m_link, &BrokerLink::refused, this, [this](int id, const QString&) {
        if (id == m_claimId && m_claimId != 0) {
            qCWarning(lcApp) << "the broker refused this panel's role: staying on standby";
            m_claimId = 0;
            m_role = Role::Standby;
            announce();
        }
    });
    subscribeAll();
    if (m_link->isConnected())
        onConnection(true);
}

void PairRoles::subscribeAll()
{
    if (!m_link || m_options.partner.isEmpty())
        return;
    subscribeRole();
    m_link->subscribe(m_options.partner + QStringLiteral("/preferred"));
    // Up to a thousand states: after what decides the role.
    m_link->subscribe(m_options.partner + QStringLiteral("/object/+/state"));
    if (m_forwarding)
        m_link->subscribe(m_options.partner + QStringLiteral("/dc09/acked"));
}

void PairRoles::followForwarding()
{
    if (m_forwarding)
        return;
    m_forwarding = true;
    if (m_link && !m_options.partner.isEmpty())
        m_link->subscribe(m_options.partner + QStringLiteral("/dc09/acked"));
}

void PairRoles::shareForwarded(const QByteArray& place)
{
    if (m_link && m_connected)
        m_link->publish(m_options.prefix + QStringLiteral("/dc09/acked"), place, true);
}

// The status first: the broker sends retained values in the order of the
// subscriptions, so the role read after it is never older. Subscribing again
// brings both once more.
void PairRoles::subscribeRole()
{
    if (!m_link || m_options.partner.isEmpty())
        return;
    m_link->subscribe(m_options.partner + QStringLiteral("/status"));
    m_link->subscribe(roleTopic(m_options.partner));
    m_subscribedAt = m_mono.msecs();
    m_read = false;
}

void PairRoles::onConnection(bool connected)
{
    m_connected = connected;
    if (connected) {
        // Subscribed again by the link itself; the partner is read anew.
        m_subscribedAt = m_mono.msecs();
        m_read = false;
        publishOwn();
    } else if (m_claimId != 0) {
        // "active" not acknowledged: it may never have reached the broker.
        m_claimId = 0;
        m_role = Role::Standby;
    }
    evaluate();
    announce();
}

void PairRoles::publishOwn()
{
    if (!m_link || !m_connected)
        return;
    m_link->publish(m_options.prefix + QStringLiteral("/preferred"),
                    m_options.preferred ? QByteArrayLiteral("true") : QByteArrayLiteral("false"),
                    true);
    // Held after a stop it says nothing of its role until it knows it again.
    if (m_held)
        return;
    const int id = m_link->publish(roleTopic(m_options.prefix), roleWord(m_role), true);
    if (m_role == Role::Active && !m_acknowledged)
        m_claimId = id;
}

void PairRoles::onReceived(const QString& topic, const QByteArray& payload)
{
    const QString& p = m_options.partner;
    if (p.isEmpty() || !topic.startsWith(p + QLatin1Char('/')))
        return;
    const QString rest = topic.mid(p.size() + 1);
    const QString word = QString::fromUtf8(payload).trimmed();
    if (!rest.startsWith(QLatin1String("object/")))
        qCDebug(lcApp).noquote() << "partner" << rest << word;
    if (rest == QLatin1String("status")) {
        m_partnerStatus = word;
        // A role from before this status may be a dead panel's last word.
        m_roleAfterStatus = false;
    } else if (rest == QLatin1String("preferred")) {
        m_partnerPreferred = word == QLatin1String("true");
    } else if (rest == QLatin1String("role")) {
        const bool wasActive = partnerActive();
        m_partnerRole = word;
        m_roleAfterStatus = true;
        if (!wasActive && partnerActive())
            m_partnerSince = m_clock.now();
        partnerRead();
    } else if (rest == QLatin1String("dc09/acked")) {
        emit partnerForwarded(payload);
        return;
    } else if (rest.startsWith(QLatin1String("object/"))
               && rest.endsWith(QLatin1String("/state"))) {
        bool ok = false;
        const int k = rest.section(QLatin1Char('/'), 1, 1).toInt(&ok);
        if (ok)
            emit partnerState(k, payload);
        return;
    }
    if (partnerActive() && m_partnerSince.isNull())
        m_partnerSince = m_clock.now();
    evaluate();
    announce();
}

void PairRoles::partnerRead()
{
    m_read = true;
    if (!m_held)
        return;
    if (partnerActive()) {
        stepDown(QStringLiteral("the partner took the line over while this panel was stopped"));
        return;
    }
    qCInfo(lcApp) << "resumed: the partner is not active, this panel writes again";
    m_held = false;
    publishOwn();
}

bool PairRoles::partnerActive() const
{
    return partnerOnline() && m_partnerRole == QLatin1String("active");
}

bool PairRoles::partnerYields() const
{
    return !partnerOnline() || m_partnerRole != QLatin1String("active");
}

// Two panels that both write: the preferred one keeps the line, or between
// two alike the one with the lower prefix.
bool PairRoles::partnerOutranks() const
{
    if (m_partnerPreferred != m_options.preferred)
        return m_partnerPreferred;
    return m_options.partner < m_options.prefix;
}

bool PairRoles::bothPreferred() const { return m_options.preferred && m_partnerPreferred; }

bool PairRoles::mayTakeOverByItself() const
{
    return m_options.problems.isEmpty() && !m_options.partner.isEmpty() && !bothPreferred()
           && m_link && m_connected && m_read;
}

qint64 PairRoles::silence() const { return m_mono.msecs() - m_lastPrompt; }

void PairRoles::check(quint64 promptsHeard)
{
    const qint64 now = m_mono.msecs();
    const bool wasStopped = now - m_lastCheck > kResumeGapMs;
    m_lastCheck = now;
    if (promptsHeard != m_prompts) {
        m_prompts = promptsHeard;
        m_lastPrompt = now;
    }
    if (wasStopped)
        resumed();
    // Nothing retained under the partner's prefix: it never ran.
    if (!m_read && m_connected && now - m_subscribedAt >= kReadMs)
        partnerRead();
    evaluate();
    announce();
}

void PairRoles::resumed()
{
    const qint64 now = m_mono.msecs();
    qCWarning(lcApp) << "this panel was stopped for a while; the partner's role is read again";
    // The silence of the pause says nothing: it is counted from now.
    m_lastPrompt = now;
    if (m_role == Role::Active && m_acknowledged)
        m_held = true;
    subscribeRole();
}

void PairRoles::evaluate()
{
    const qint64 now = m_mono.msecs();
    if (m_role == Role::Active) {
        // Only a role said while the partner is on line: the retained
        // "active" of a panel that died and now comes back is no claim.
        if (m_acknowledged && !m_held && partnerActive() && m_roleAfterStatus && partnerOutranks())
            stepDown(QStringLiteral("the partner is active too and keeps the line"));
        return;
    }
    if (!m_lineOpen || !mayTakeOverByItself() || !partnerYields() || silence() < kSilenceMs)
        return;
    if (now - m_steppedDownAt < kNoFlapMs)
        return;
    // The first half minute belongs to a partner that outranks this panel
    // and may be starting too: online, or not seen at all.
    if (!partnerOffline() && partnerOutranks() && now - m_startedAt < kPreferredFirstMs)
        return;
    claim();
}

void PairRoles::claim()
{
    qCInfo(lcApp).noquote() << "taking the line over: partner" << m_options.partner << "status"
                            << m_partnerStatus << "role" << m_partnerRole << "silent for"
                            << silence() << "ms";
    m_role = Role::Active;
    m_acknowledged = false;
    m_claimId = m_link->publish(roleTopic(m_options.prefix), roleWord(Role::Active), true);
    if (m_claimId == 0)
        m_role = Role::Standby;
}

void PairRoles::acknowledged()
{
    m_claimId = 0;
    m_acknowledged = true;
    m_held = false;
    m_activeSince = m_clock.now();
    qCInfo(lcApp) << "the broker has this panel's role: active, writing";
    emit writingStarted();
    announce();
}

void PairRoles::stepDown(const QString& why)
{
    qCWarning(lcApp).noquote() << "stepping down:" << why;
    // Held after a stop it wrote nothing of late, but the line was its own.
    const bool wrote = m_role == Role::Active && m_acknowledged;
    m_role = Role::Standby;
    m_acknowledged = false;
    m_held = false;
    m_claimId = 0;
    m_steppedDownAt = m_mono.msecs();
    m_lastPrompt = m_steppedDownAt;
    if (m_link && m_connected)
        m_link->publish(roleTopic(m_options.prefix), roleWord(Role::Standby), true);
    if (wrote)
        emit writingStopped(why);
    announce();
}

void PairRoles::portFailed()
{
    if (m_role == Role::Active)
        stepDown(QStringLiteral("the serial port failed and did not open again"));
}

void PairRoles::handOver()
{
    if (canHandOver())
        stepDown(QStringLiteral("handed over by the operator"));
}

bool PairRoles::takeOverOffered() const
{
    return m_role == Role::Standby && !mayTakeOverByItself() && silence() >= kSilenceMs;
}

void PairRoles::takeOver()
{
    if (!takeOverOffered())
        return;
    if (m_link && m_connected) {
        claim();
        announce();
        return;
    }
    // Nothing to acknowledge it: the operator's word is enough.
    qCWarning(lcApp) << "the operator takes the line over without the broker";
    m_role = Role::Active;
    acknowledged();
}

// A check overdue means the process was stopped and has not yet looked at
// its partner since: whatever runs first after the resumption (a supervision
// tick, a queued command) writes nothing.
bool PairRoles::writes() const
{
    return m_role == Role::Active && m_acknowledged && !m_held
           && m_mono.msecs() - m_lastCheck <= kResumeGapMs;
}

bool PairRoles::silenceIsLoss() const { return writes() || partnerActive(); }

QString PairRoles::activeText() const
{
    if (m_role == Role::Active && m_held)
        return texts::readingPartnerAgain();
    if (m_role == Role::Active)
        return m_acknowledged ? texts::thisPanelActive().arg(timeText(m_activeSince))
                              : texts::takingOver();
    if (partnerActive())
        return texts::partnerActive().arg(m_options.partner, timeText(m_partnerSince));
    return texts::noActivePanel();
}

QString PairRoles::problem() const
{
    QStringList lines = m_options.problems;
    if (bothPreferred())
        lines << texts::bothPreferred().arg(m_options.partner);
    if (m_role == Role::Standby && m_link && !m_connected)
        lines << texts::noBroker();
    else if (m_link && m_connected && m_read && m_partnerStatus.isEmpty())
        lines << texts::partnerNeverSeen().arg(m_options.partner);
    if (takeOverOffered())
        lines << texts::noActiveProblem().arg(m_options.partner);
    return lines.join(QLatin1Char('\n'));
}

void PairRoles::announce()
{
    const QString seen = activeText() + QLatin1Char('|') + problem()
                         + (takeOverOffered() ? QStringLiteral("|offer") : QString());
    if (seen == m_lastSeen)
        return;
    m_lastSeen = seen;
    emit changed();
}

} // namespace zelvan

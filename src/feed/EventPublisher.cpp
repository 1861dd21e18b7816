#include "feed/EventPublisher.h"

#include "core/BrokerLink.h"
#include "core/Clock.h"
#include "core/Logging.h"
#include "core/ObjectFiles.h"
#include "core/ScreenState.h"
#include "events/AlarmList.h"
#include "events/DayArchive.h"
#include "events/DayFile.h"
#include "feed/FeedTexts.h"

#include <QFileInfo>

namespace zelvan {

EventPublisher::EventPublisher(Sources sources, BrokerLink& link, Options options, QObject* parent)
    : QObject(parent), m_src(sources), m_link(link), m_options(std::move(options)),
      m_messages(m_options.prefix, m_src.state),
      m_records(m_src.archive, m_src.clock, m_options.cursorPath),
      m_states(m_src.state, m_src.alarms, link, m_messages, m_options.homeAssistant,
               [this](int k) { return nameOf(k); })
{
    m_options.window = qMax(1, m_options.window);
    if (!m_options.discoveryNode.isEmpty())
        m_states.setDiscoveryNode(m_options.discoveryNode);
    m_wake.setSingleShot(true);
    m_wake.setInterval(0);
    connect(&m_wake, &QTimer::timeout, this, [this] {
        m_states.scan();
        pump();
    });
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &EventPublisher::retry);
}

void EventPublisher::start()
{
    if (const QString problem = m_records.start(); !problem.isEmpty()) {
        qCWarning(lcMqtt).noquote() << problem;
        m_src.screen.setProblem(ScreenState::ProblemSource::FeedRead, problem);
    }
    connect(&m_records, &RecordFollower::recordsSynced, this, &EventPublisher::wake);
    connect(&m_link, &BrokerLink::connectionChanged, this, &EventPublisher::onConnection);
    connect(&m_link, &BrokerLink::delivered, this, &EventPublisher::onDelivered);
    connect(&m_link, &BrokerLink::refused, this, &EventPublisher::onRefused);
    connect(&m_link, &BrokerLink::failed, this, [this](const QString& reason) {
        m_src.screen.setProblem(ScreenState::ProblemSource::Broker,
                                feed_texts::brokerDown().arg(m_options.broker, reason));
    });
    if (m_link.isConnected())
        onConnection(true);
}

void EventPublisher::onConnection(bool connected)
{
    // Whatever was not acknowledged is sent again from the cursor.
    m_records.sendAgain();
    m_states.connectionChanged(connected);
    if (!connected)
        return;
    m_src.screen.setProblem(ScreenState::ProblemSource::Broker, QString());
    wake();
}

void EventPublisher::onDelivered(int id)
{
    const bool passed = m_records.acknowledge(id);
    if (const std::optional<QString> topic = m_states.acknowledged(id);
        topic && *topic == m_refusedTopic)
        clearRefusal();
    if (passed) {
        // The cursor passes a record only once it was accepted.
        if (m_refusedTopic == m_messages.eventTopic())
            clearRefusal();
        // The window is filled again once a quarter of it is free, so that a
        // run of acknowledgements costs one read of the day file and not one each.
        if (m_options.window - inFlight() >= std::max(1, m_options.window / 4))
            wake();
    }
}

// A message the broker acknowledged without accepting it (not allowed on
// its topic): the cursor stays before it, the operator is told, and after a
// pause everything from the cursor is sent again.
void EventPublisher::onRefused(int id, const QString& reason)
{
    QString topic;
    if (const std::optional<QString> state = m_states.refused(id)) {
        topic = *state;
    } else if (m_records.waitsFor(id)) {
        topic = m_messages.eventTopic();
    } else {
        return; // of an earlier connection
    }
    const QString text = feed_texts::notAllowed().arg(topic, m_options.broker, reason);
    qCWarning(lcMqtt).noquote() << text;
    m_refusedTopic = topic;
    m_src.screen.setProblem(ScreenState::ProblemSource::FeedRefused, text);
    halt(Halt::Refused);
}

void EventPublisher::clearRefusal()
{
    m_refusedTopic.clear();
    m_src.screen.setProblem(ScreenState::ProblemSource::FeedRefused, QString());
}

void EventPublisher::halt(Halt why)
{
    m_halt = std::max(m_halt, why);
    if (!m_retry.isActive())
        m_retry.start(why == Halt::Refused ? kRefusedRetryMs : kRetryMs);
}

void EventPublisher::retry()
{
    if (m_halt == Halt::Refused) {
        m_records.sendAgain();
        m_states.sendAllAgain();
    }
    m_halt = Halt::None;
    wake();
}

// The handlers of the station only start a zero timer: reading and sending
// happen after them, in the event loop.
void EventPublisher::wake()
{
    if (!m_wake.isActive())
        m_wake.start();
}

void EventPublisher::pump()
{
    while (m_halt == Halt::None && m_link.isConnected() && inFlight() < m_options.window) {
        QString error;
        const std::vector<TailRecord> batch = m_records.read(m_options.window - inFlight(), &error);
        if (!error.isEmpty()) {
            // Not the end of the day: the feed waits here until it reads.
            const QString text = feed_texts::dayUnreadable().arg(error);
            if (!m_readFailing)
                qCWarning(lcMqtt).noquote() << text;
            m_readFailing = true;
            m_src.screen.setProblem(ScreenState::ProblemSource::FeedRead, text);
            halt(Halt::Unreadable);
            return;
        }
        if (m_readFailing) {
            m_readFailing = false;
            m_src.screen.setProblem(ScreenState::ProblemSource::FeedRead, QString());
        }
        if (batch.empty())
            return; // up to date
        // Whether Name.dat changed is looked at once a batch, not once a record.
        checkNames();
        for (const TailRecord& r : batch) {
            QString name;
            std::array<QString, 5> captions;
            int object = 0;
            if (const std::optional<DayRecord> parsed = parseDayRecord(r.text);
                parsed && parsed->k >= 1 && parsed->k <= kObjectCount) {
                object = parsed->k;
                name = cachedName(parsed->k);
                const QChar l = parsed->letter;
                if (l >= QLatin1Char('1') && l <= QLatin1Char('5'))
                    captions[size_t(l.unicode() - u'1')] =
                        m_src.files.kavelCaption(parsed->k, l.unicode() - u'0');
            }
            const QByteArray message = m_messages.event(r, name, captions);
            const int id = m_link.publish(m_messages.eventTopic(), message, false);
            if (id <= 0)
                return; // the link went; sent again after the next connection
            if (object > 0)
                m_states.noteRecord(object, message);
            m_records.sent(id, r);
        }
    }
}

QString EventPublisher::nameOf(int k)
{
    checkNames();
    return cachedName(k);
}

// Names are read from Name.dat once and again only after it changed.
void EventPublisher::checkNames()
{
    const QFileInfo info(m_src.files.namePath());
    const qint64 stamp = info.exists() ? info.lastModified().toMSecsSinceEpoch() ^ info.size() : 0;
    if (stamp != m_namesStamp) {
        m_names.fill(std::nullopt);
        m_namesStamp = stamp;
    }
}

QString EventPublisher::cachedName(int k)
{
    std::optional<QString>& name = m_names[size_t(k)];
    if (!name)
        name = m_src.files.name(k).trimmed();
    return *name;
}

} // namespace zelvan

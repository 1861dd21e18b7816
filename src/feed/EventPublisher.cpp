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

#include <QDate>
#include <QFileInfo>

namespace zelvan {

namespace {

QString dayOf(const QDate& date) { return DayArchive::dayFileName(date).left(8); }

bool before(const FeedPosition& a, const FeedPosition& b)
{
    return a.day < b.day || (a.day == b.day && a.offset < b.offset);
}

} // namespace

EventPublisher::EventPublisher(Sources sources, BrokerLink& link, Options options, QObject* parent)
    : QObject(parent), m_src(sources), m_link(link), m_options(std::move(options)),
      m_messages(m_options.prefix, m_src.state), m_tail(m_src.archive.dataDir()),
      m_cursorFile(m_options.cursorPath),
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
    m_save.setInterval(kSaveMs);
    connect(&m_save, &QTimer::timeout, this, &EventPublisher::saveCursor);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &EventPublisher::retry);
}

EventPublisher::~EventPublisher() { saveCursor(); }

void EventPublisher::start()
{
    // What is in the day files at start is on the disk as far as it goes:
    // the archive syncs every record before its handler returns. A day file
    // dated after today (left by a clock that was wrong) is not the newest
    // day: it is read when its day comes.
    m_syncedDay = m_tail.lastDayUpTo(dayOf(m_src.clock.now().date()));
    m_syncedSize = m_syncedDay.isEmpty() ? 0 : QFileInfo(m_tail.path(m_syncedDay)).size();
    loadCursor();
    m_next = m_cursor;
    connect(&m_src.archive, &DayArchive::daySynced, this, &EventPublisher::onDaySynced);
    connect(&m_link, &BrokerLink::connectionChanged, this, &EventPublisher::onConnection);
    connect(&m_link, &BrokerLink::delivered, this, &EventPublisher::onDelivered);
    connect(&m_link, &BrokerLink::refused, this, &EventPublisher::onRefused);
    connect(&m_link, &BrokerLink::failed, this, [this](const QString& reason) {
        m_src.screen.setProblem(ScreenState::ProblemSource::Broker,
                                feed_texts::brokerDown().arg(m_options.broker, reason));
    });
    m_save.start();
    if (m_link.isConnected())
        onConnection(true);
}

void EventPublisher::loadCursor()
{
    const std::optional<FeedPosition> saved = m_cursorFile.load();
    if (!saved) {
        // First start: from the beginning of the last day file.
        m_cursor = FeedPosition{m_syncedDay, 0, 0};
        return;
    }
    m_cursor = *saved;
    // The cursor must end a line of its file; past the end, or inside a
    // line, the file is not the one the cursor was saved for (replaced or
    // restored). Its day is sent again from its first line, and the operator
    // is told, rather than numbering its lines from a wrong place.
    const bool fits = QFileInfo(m_tail.path(m_cursor.day)).size() >= m_cursor.offset
                      && m_tail.startsLine(m_cursor);
    if (fits)
        return;
    const QString text = feed_texts::cursorMismatch().arg(
        m_cursorFile.path(), m_tail.path(m_cursor.day), QString::number(m_cursor.line));
    qCWarning(lcMqtt).noquote() << text;
    m_src.screen.setProblem(ScreenState::ProblemSource::FeedRead, text);
    m_cursor.line = 0;
    m_cursor.offset = 0;
    m_cursorDirty = true;
}

void EventPublisher::saveCursor()
{
    if (!m_cursorDirty)
        return;
    if (m_cursorFile.save(m_cursor))
        m_cursorDirty = false;
    else
        qCWarning(lcMqtt).noquote() << "cursor not saved:" << m_cursorFile.errorString();
}

void EventPublisher::onConnection(bool connected)
{
    // Whatever was not acknowledged is sent again from the cursor.
    m_inFlight.clear();
    m_next = m_cursor;
    m_states.connectionChanged(connected);
    if (!connected)
        return;
    m_src.screen.setProblem(ScreenState::ProblemSource::Broker, QString());
    wake();
}

void EventPublisher::onDelivered(int id)
{
    const std::optional<FeedPosition> passed = m_inFlight.acknowledge(id);
    if (const std::optional<QString> topic = m_states.acknowledged(id);
        topic && *topic == m_refusedTopic)
        clearRefusal();
    if (passed) {
        m_cursor = *passed;
        // The cursor passes a record only once it was accepted.
        if (m_refusedTopic == m_messages.eventTopic())
            clearRefusal();
        m_cursorDirty = true;
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
    } else if (m_inFlight.contains(id)) {
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
        m_inFlight.clear();
        m_next = m_cursor;
        m_states.sendAllAgain();
    }
    m_halt = Halt::None;
    wake();
}

void EventPublisher::rewindTo(const FeedPosition& to)
{
    m_inFlight.clear();
    if (before(to, m_cursor)) {
        m_cursor = to;
        m_cursorDirty = true;
    }
    m_next = m_cursor;
}

void EventPublisher::onDaySynced(const QDate& date)
{
    const QString day = dayOf(date);
    if (!m_next.day.isEmpty() && day < m_next.day) {
        // The clock went back across midnight and records were added to a
        // day already finished: sending goes back to where that day was left
        // (its start, for an older day), or to the cursor when records before
        // that still wait for their acknowledgement, and on from there. What
        // follows is sent again; a consumer drops it by (day, line).
        qCInfo(lcMqtt).noquote() << "records added to" << day << "behind the cursor" << m_next.day;
        rewindTo(day == m_left.day ? m_left : FeedPosition{day, 0, 0});
    }
    if (day >= m_syncedDay) {
        m_syncedDay = day;
        m_syncedSize = QFileInfo(m_tail.path(day)).size();
    }
    if (m_next.day.isEmpty())
        m_next = m_cursor = FeedPosition{day, 0, 0};
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
    while (m_halt == Halt::None && m_link.isConnected() && inFlight() < m_options.window
           && !m_next.day.isEmpty() && m_next.day <= m_syncedDay) {
        const qint64 limit = m_next.day == m_syncedDay ? m_syncedSize : -1;
        QString error;
        const std::vector<TailRecord> batch =
            m_tail.read(m_next, limit, m_options.window - inFlight(), &error);
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
        if (batch.empty()) {
            if (m_next.day == m_syncedDay)
                return; // up to date
            const QString after = m_tail.dayAfter(m_next.day);
            if (after.isEmpty() || after > m_syncedDay)
                return;
            m_left = m_next;
            m_next = FeedPosition{after, 0, 0};
            if (m_inFlight.empty()) {
                // Nothing of the finished day waits: the cursor moves on with it.
                m_cursor = m_next;
                m_cursorDirty = true;
            }
            continue;
        }
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
            m_inFlight.sent(id, r.after);
            m_next = r.after;
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

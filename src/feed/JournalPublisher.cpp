#include "feed/JournalPublisher.h"

#include "core/BrokerLink.h"
#include "core/Clock.h"
#include "core/JournalLine.h"
#include "core/Logging.h"
#include "core/ScreenState.h"
#include "feed/FeedTexts.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>

namespace zelvan {

namespace {

using Source = ScreenState::ProblemSource;

QString today(const Clock& clock)
{
    return clock.now().date().toString(QStringLiteral("yy-MM-dd"));
}

} // namespace

JournalPublisher::JournalPublisher(BrokerLink& link, ScreenState& screen, const Clock& clock,
                                   Options options, QObject* parent)
    : QObject(parent), m_link(link), m_screen(screen), m_clock(clock),
      m_options(std::move(options)), m_tail(m_options.dataDir, QStringLiteral(".jrn")),
      m_cursorFile(m_options.cursorPath)
{
    m_options.window = qMax(1, m_options.window);
    m_wake.setSingleShot(true);
    m_wake.setInterval(0);
    connect(&m_wake, &QTimer::timeout, this, &JournalPublisher::pump);
    m_save.setInterval(kSaveMs);
    connect(&m_save, &QTimer::timeout, this, &JournalPublisher::saveCursor);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        // After a refusal everything not acknowledged is sent again.
        if (m_refused) {
            m_inFlight.clear();
            m_next = m_cursor;
        }
        wake();
    });
}

JournalPublisher::~JournalPublisher() { saveCursor(); }

void JournalPublisher::start()
{
    // Without a cursor: from the start of the last journal day up to today.
    const std::optional<FeedPosition> saved = m_cursorFile.load();
    m_cursor = saved && m_tail.startsLine(*saved)
                   ? *saved
                   : FeedPosition{m_tail.lastDayUpTo(today(m_clock)), 0, 0};
    m_next = m_cursor;
    connect(&m_link, &BrokerLink::connectionChanged, this, &JournalPublisher::onConnection);
    connect(&m_link, &BrokerLink::delivered, this, &JournalPublisher::onDelivered);
    connect(&m_link, &BrokerLink::refused, this, &JournalPublisher::onRefused);
    m_save.start();
    wake();
}

void JournalPublisher::wake()
{
    m_atEnd = false;
    if (!m_wake.isActive())
        m_wake.start();
}

void JournalPublisher::saveCursor()
{
    if (m_cursorDirty && m_cursorFile.save(m_cursor))
        m_cursorDirty = false;
}

void JournalPublisher::onConnection(bool connected)
{
    m_inFlight.clear();
    m_next = m_cursor;
    if (connected)
        wake();
}

void JournalPublisher::onDelivered(int id)
{
    if (!m_inFlight.contains(id))
        return;
    if (const std::optional<FeedPosition> passed = m_inFlight.acknowledge(id)) {
        m_cursor = *passed;
        m_cursorDirty = true;
    }
    if (m_refused) {
        m_refused = false;
        m_screen.setProblem(Source::JournalFeed, QString());
    }
    // The window has room again; at the journal's end there is nothing more.
    if (!m_atEnd && !m_wake.isActive())
        m_wake.start();
}

void JournalPublisher::onRefused(int id, const QString& reason)
{
    if (!m_inFlight.contains(id))
        return;
    const QString text = feed_texts::notAllowed().arg(topic(), m_options.broker, reason);
    qCWarning(lcMqtt).noquote() << text;
    m_refused = true;
    m_screen.setProblem(Source::JournalFeed, text);
    pause(kRefusedRetryMs);
}

void JournalPublisher::pause(int ms)
{
    if (!m_retry.isActive())
        m_retry.start(ms);
}

void JournalPublisher::pump()
{
    if (m_next.day.isEmpty())
        m_next = m_cursor = FeedPosition{m_tail.lastDayUpTo(today(m_clock)), 0, 0};
    while (!m_retry.isActive() && m_link.isConnected() && inFlight() < m_options.window
           && !m_next.day.isEmpty()) {
        QString error;
        const std::vector<TailRecord> batch =
            m_tail.read(m_next, -1, m_options.window - inFlight(), &error);
        if (!error.isEmpty()) {
            m_readFailing = true;
            m_screen.setProblem(Source::JournalFeed, feed_texts::dayUnreadable().arg(error));
            pause(kRetryMs);
            return;
        }
        if (m_readFailing) {
            m_readFailing = false;
            m_screen.setProblem(Source::JournalFeed, QString());
        }
        if (batch.empty()) {
            // At today's end nothing follows: the directory is not listed
            // for every line the operator adds.
            const QString now = today(m_clock);
            const QString after = m_next.day >= now ? QString() : m_tail.dayAfter(m_next.day);
            if (after.isEmpty() || after > now) {
                m_atEnd = true; // up to date
                return;
            }
            m_next = FeedPosition{after, 0, 0};
            if (m_inFlight.empty()) {
                m_cursor = m_next;
                m_cursorDirty = true;
            }
            continue;
        }
        for (const TailRecord& r : batch) {
            const int id = m_link.publish(topic(), message(r), false);
            if (id <= 0)
                return; // sent again after the next connection
            m_inFlight.sent(id, r.after);
            m_next = r.after;
        }
    }
}

bool JournalPublisher::finish(const QDeadlineTimer& deadline)
{
    QEventLoop loop;
    const auto check = [this, &loop] {
        if (caughtUp() || !m_link.isConnected())
            loop.quit();
    };
    // Connected after the publisher's own handlers: checked once they ran.
    const QMetaObject::Connection delivered =
        connect(&m_link, &BrokerLink::delivered, &loop, check, Qt::QueuedConnection);
    const QMetaObject::Connection connection =
        connect(&m_link, &BrokerLink::connectionChanged, &loop, check, Qt::QueuedConnection);
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    m_wake.stop();
    pump();
    if (!caughtUp() && m_link.isConnected() && !deadline.hasExpired()) {
        limit.start(std::chrono::milliseconds(deadline.remainingTime()));
        loop.exec();
    }
    disconnect(delivered);
    disconnect(connection);
    if (!caughtUp())
        qCWarning(lcMqtt) << "the end came before the broker acknowledged the journal;"
                          << inFlight() << "lines sent again at the next start";
    saveCursor();
    return caughtUp();
}

QByteArray JournalPublisher::message(const TailRecord& record)
{
    const QStringList f = JournalEntry::splitFields(record.text);
    QJsonObject o;
    o.insert(QStringLiteral("day"), record.after.day);
    o.insert(QStringLiteral("line"), record.line());
    o.insert(QStringLiteral("time"), f[0]);
    o.insert(QStringLiteral("operator"), f[1]);
    o.insert(QStringLiteral("action"), f[2]);
    o.insert(QStringLiteral("object"), f[3].toInt());
    o.insert(QStringLiteral("module"), f[4].toInt());
    o.insert(QStringLiteral("detail"), f[5]);
    // The line's place in its day file and its chain value, so that a
    // consumer sees a line missing or changed; 0 and "" for a line written
    // before the journal had them.
    o.insert(QStringLiteral("seq"), f[6].toLongLong());
    o.insert(QStringLiteral("chain"), f[6].toLongLong() > 0 ? f[7] : QString());
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

} // namespace zelvan

#include "dc09/Dc09Forwarder.h"

#include "core/Clock.h"
#include "core/Logging.h"
#include "core/ReceiverLink.h"
#include "core/ScreenState.h"
#include "dc09/Dc09Texts.h"
#include "events/DayFile.h"

#include <QFile>
#include <QFileInfo>
#include <deque>

namespace zelvan::dc09 {

namespace {

using Source = ScreenState::ProblemSource;

QString recordText(const TailRecord& r)
{
    return QStringLiteral("%1 ред %2 (%3)")
        .arg(r.after.day)
        .arg(r.line())
        .arg(QString::fromLatin1(r.text.left(32)));
}

// The partner's record `partner` is this panel's `own`: the same line but
// for the time of day, which each panel takes from its own clock (in
// millionths of the day, so that two clocks a few milliseconds apart often
// differ), the times at most kPartnerClockS apart.
bool sameRecord(const QByteArray& own, const QByteArray& partner)
{
    constexpr qsizetype kTimeAt = 6;
    constexpr qsizetype kTimeLength = 6;
    if (own == partner)
        return true;
    if (own.size() != partner.size() || own.left(kTimeAt) != partner.left(kTimeAt)
        || own.mid(kTimeAt + kTimeLength) != partner.mid(kTimeAt + kTimeLength))
        return false;
    const std::optional<DayRecord> a = parseDayRecord(own);
    const std::optional<DayRecord> b = parseDayRecord(partner);
    return a && b
           && qAbs(qint64(a->fraction) - b->fraction) * 86400
                  <= qint64(Forwarder::kPartnerClockS) * 1000000;
}

} // namespace

Forwarder::Forwarder(Sources sources, ReceiverLink& link, Settings settings, QString dataDir,
                     QObject* parent)
    : QObject(parent), m_src(sources), m_link(link), m_settings(std::move(settings)),
      m_dataDir(std::move(dataDir)), m_cipher(m_settings.key),
      m_mapper(m_settings.codes, m_settings.accounts),
      m_records(m_src.archive, m_src.clock, m_dataDir + QStringLiteral("/dc09.cursor"))
{
    m_wake.setSingleShot(true);
    m_wake.setInterval(0);
    connect(&m_wake, &QTimer::timeout, this, &Forwarder::pump);
    m_answer.setSingleShot(true);
    m_answer.setInterval(m_settings.timeoutS * 1000);
    connect(&m_answer, &QTimer::timeout, this, &Forwarder::onTimeout);
    m_reconnect.setSingleShot(true);
    m_reconnect.setInterval(kReconnectMs);
    connect(&m_reconnect, &QTimer::timeout, this, &Forwarder::sendCurrent);
    m_idle.setSingleShot(true);
    m_idle.setInterval(m_settings.supervisionS * 1000);
    connect(&m_idle, &QTimer::timeout, this, &Forwarder::sendLinkTest);
    m_primaryAgain.setSingleShot(true);
    m_primaryAgain.setInterval(m_settings.primaryAgainS * 1000);
    connect(&m_primaryAgain, &QTimer::timeout, this, [this] { m_onBackup = false; });
    connect(&m_link, &ReceiverLink::received, this, &Forwarder::onBytes);
    connect(&m_link, &ReceiverLink::failed, this, &Forwarder::onFailed);
}

QString Forwarder::refusedPath() const { return m_dataDir + QStringLiteral("/dc09-refused.txt"); }

void Forwarder::start()
{
    if (const QString problem = m_records.start(); !problem.isEmpty()) {
        qCWarning(lcApp).noquote() << problem;
        m_src.screen.setProblem(Source::Dc09Read, problem);
    }
    rebuildViolated();
    connect(&m_records, &RecordFollower::recordsSynced, this, &Forwarder::wake);
    m_started = true;
    wake();
}

// Which objects are violated at the cursor: the records of the day file
// before its day and of its day before it, read once at start (and after a
// jump to a partner's place), so that the first taking or release after a
// restart still sends the restore, of a violation before midnight too. One
// day back and no further: a start costs the same however many days are
// archived.
void Forwarder::rebuildViolated()
{
    m_mapper.forget();
    const FeedPosition& at = m_records.cursor();
    if (at.day.isEmpty())
        return;
    if (const QString before = m_records.tail().dayBefore(at.day); !before.isEmpty())
        noteViolated({before, 0, 0}, -1);
    noteViolated({at.day, 0, 0}, at.offset);
}

void Forwarder::noteViolated(FeedPosition from, qint64 limit)
{
    while (limit < 0 || from.offset < limit) {
        const std::vector<TailRecord> batch = m_records.tail().read(from, limit, 4096);
        if (batch.empty())
            return;
        for (const TailRecord& r : batch)
            if (const std::optional<DayRecord> parsed = parseDayRecord(r.text))
                m_mapper.note(*parsed);
        from = batch.back().after;
    }
}

void Forwarder::setSending(bool on)
{
    if (on == m_sending)
        return;
    m_sending = on;
    m_answer.stop();
    m_reconnect.stop();
    m_idle.stop();
    m_inFlight = false;
    m_pending.reset();
    m_linkTest = false;
    m_records.sendAgain();
    if (!on) {
        // On standby nothing is sent: nothing to say of the receiver or its clock.
        m_link.drop();
        m_src.screen.setProblem(Source::Dc09Receiver, QString());
        m_src.screen.setProblem(Source::Dc09Clock, QString());
        return;
    }
    rebuildViolated();
    wake();
}

void Forwarder::followPartner(const QString& day, const QByteArray& text)
{
    if (m_sending || !m_started || day.isEmpty() || day < m_records.cursor().day)
        return;
    // From the cursor on in its own day; from the start of a later day.
    FeedPosition from =
        day == m_records.cursor().day ? m_records.cursor() : FeedPosition{day, 0, 0};
    // The places after the last records read, the one before them first.
    std::deque<FeedPosition> recent{from};
    for (;;) {
        const std::vector<TailRecord> batch = m_records.tail().read(from, -1, 4096);
        if (batch.empty())
            return; // not archived here (yet): the cursor stays
        for (const TailRecord& r : batch) {
            recent.push_back(r.after);
            if (recent.size() > size_t(kResendMargin) + 1)
                recent.pop_front();
            if (sameRecord(r.text, text)) {
                m_records.moveTo(recent.front());
                return;
            }
        }
        from = batch.back().after;
    }
}

void Forwarder::wake()
{
    if (m_sending && m_started && !m_wake.isActive())
        m_wake.start();
}

void Forwarder::pump()
{
    // A message that waits to go again after a failed connection keeps its
    // number and its count of tries: the reconnection sends it. Built anew
    // here, at each record archived meanwhile, its tries would never reach
    // three, and the backup would never be asked while the first receiver
    // refuses.
    if (!m_sending || m_inFlight)
        return;
    if (m_linkTest) {
        // A link test waiting to go again gives way: a record tests the link too.
        m_reconnect.stop();
        m_linkTest = false;
    }
    if (m_reconnect.isActive())
        return;
    if (m_pending) {
        sendCurrent();
        return;
    }
    if (!takeNextRecord()) {
        // Idle: the link is tested after `supervision` seconds of quiet.
        if (m_settings.supervisionS > 0 && !m_idle.isActive())
            m_idle.start();
        return;
    }
    m_idle.stop();
    const Event& e = m_pending->events[m_pending->index];
    m_header =
        Header{m_settings.token, nextSequence(), m_settings.receiver, m_settings.line, e.account};
    m_data = dataBlock(m_settings.token, e);
    m_tries = 0;
    m_naks = 0;
    sendCurrent();
}

// The next record that has events; records kept at the station and damaged
// lines are passed over knowingly (the damaged ones listed).
bool Forwarder::takeNextRecord()
{
    for (;;) {
        // Read ahead a little: one file access for many records, and only
        // what follows the follower's place (a jump back forgets the rest).
        if (!m_ahead.empty() && m_aheadFrom != m_records.next())
            m_ahead.clear();
        QString error;
        if (m_ahead.empty()) {
            m_aheadFrom = m_records.next();
            const std::vector<TailRecord> batch = m_records.read(kReadAhead, &error);
            m_ahead.assign(batch.begin(), batch.end());
            // A finished day passed over moves the place the batch starts at.
            if (!m_ahead.empty())
                m_aheadFrom = m_records.next();
        }
        if (!error.isEmpty()) {
            const QString text = dc09_texts::dayUnreadable().arg(error);
            if (!m_readFailing)
                qCWarning(lcApp).noquote() << text;
            m_readFailing = true;
            m_src.screen.setProblem(Source::Dc09Read, text);
            m_reconnect.start(kReconnectMs); // tried again shortly
            return false;
        }
        if (m_readFailing) {
            m_readFailing = false;
            m_src.screen.setProblem(Source::Dc09Read, QString());
        }
        if (m_ahead.empty())
            return false;
        const TailRecord r = m_ahead.front();
        m_ahead.pop_front();
        m_records.sent(0, r);
        m_aheadFrom = r.after;
        // A line the archive does not write (one that does not parse, or a
        // digit changed into an unknown letter, object or module) is damaged.
        const std::optional<DayRecord> parsed = parseDayRecord(r.text);
        if (!parsed || !isArchiveRecord(*parsed)) {
            ++m_damaged;
            recordRefused(r, QStringLiteral("повреден ред"));
            m_src.screen.setProblem(Source::Dc09Damaged, dc09_texts::damaged().arg(m_damaged).arg(
                                                             recordText(r), refusedPath()));
            m_records.acknowledge(0);
            continue;
        }
        std::vector<Event> events = m_mapper.map(*parsed);
        if (events.empty()) {
            m_records.acknowledge(0);
            continue;
        }
        m_pending = Pending{r, std::move(events), 0};
        return true;
    }
}

int Forwarder::nextSequence()
{
    m_seq = m_seq >= 9999 ? 1 : m_seq + 1;
    return m_seq;
}

const Settings::Endpoint& Forwarder::target() const
{
    return m_onBackup && m_settings.backup.configured() ? m_settings.backup : m_settings.primary;
}

QDateTime Forwarder::sendingTime() const { return m_src.clock.now().toUTC().addSecs(m_offsetS); }

void Forwarder::transmit(const Header& header, const QByteArray& data)
{
    const QByteArray frame =
        build(header, data, sendingTime(), m_cipher.valid() ? &m_cipher : nullptr);
    const Settings::Endpoint& to = target();
    m_inFlight = true;
    m_link.send(to.host, quint16(to.port), m_settings.udp, frame);
    m_answer.start();
}

void Forwarder::sendCurrent()
{
    if (!m_sending || m_inFlight)
        return;
    if (!m_pending && !m_linkTest) {
        wake();
        return;
    }
    ++m_tries;
    transmit(m_header, m_data);
}

void Forwarder::sendLinkTest()
{
    if (!m_sending || m_inFlight || m_pending)
        return;
    m_header = Header{"NULL", nextSequence(), m_settings.receiver, m_settings.line,
                      m_settings.accounts.station};
    m_data.clear();
    m_linkTest = true;
    m_tries = 0;
    m_naks = 0;
    sendCurrent();
}

void Forwarder::onBytes(const QByteArray& bytes)
{
    m_scanner.feed(bytes);
    while (const std::optional<QByteArray> frame = m_scanner.next())
        onAnswer(parse(*frame, m_cipher.valid() ? &m_cipher : nullptr));
}

void Forwarder::onAnswer(const Message& answer)
{
    if (!answer.sound()) {
        qCWarning(lcApp) << "receiving centre: answer not sound:" << answer.error;
        return; // the timeout sends again
    }
    // A key set means answers come encrypted too: a plain one is not ours.
    if (m_cipher.valid() && !answer.encrypted && answer.header.token != "NAK")
        return;
    const QByteArray& token = answer.header.token;
    if (token == "NAK") {
        if (!m_inFlight)
            return;
        // A NAK carries the receiver's time. Seconds apart, it is its clock
        // that refused the message; otherwise the message itself was refused.
        const qint64 apart = answer.sent ? sendingTime().secsTo(*answer.sent) : 0;
        if (qAbs(apart) >= kClockSlackS) {
            m_offsetS += apart;
            m_src.screen.setProblem(
                Source::Dc09Clock,
                dc09_texts::clockOff().arg(target().text(),
                                           (m_offsetS > 0 ? QStringLiteral("+") : QString())
                                               + QString::number(m_offsetS)));
        } else {
            showReceiverTrouble(dc09_texts::nakRefused().arg(target().text()));
        }
        // Sent again at once with the corrected time; a receiver that keeps
        // refusing is asked again only after the timeout.
        if (++m_naks <= kTries) {
            m_answer.stop();
            transmit(m_header, m_data);
        }
        return;
    }
    if (!m_inFlight || answer.header.sequence != m_header.sequence)
        return; // late, of a message already passed
    if (token != "ACK" && token != "DUH")
        return;
    m_answer.stop();
    m_inFlight = false;
    m_tries = 0;
    m_src.screen.setProblem(Source::Dc09Receiver, QString());
    if (m_linkTest) {
        m_linkTest = false;
        wake();
        return;
    }
    if (token == "DUH") {
        recordRefused(m_pending->record, QStringLiteral("DUH ") + QString::fromLatin1(m_data));
        m_src.screen.setProblem(Source::Dc09Refused,
                                dc09_texts::refused().arg(
                                    target().text(), recordText(m_pending->record), refusedPath()));
    }
    passCurrent();
}

void Forwarder::passCurrent()
{
    if (++m_pending->index < m_pending->events.size()) {
        const Event& e = m_pending->events[m_pending->index];
        m_header = Header{m_settings.token, nextSequence(), m_settings.receiver, m_settings.line,
                          e.account};
        m_data = dataBlock(m_settings.token, e);
        m_tries = 0;
        m_naks = 0;
        sendCurrent();
        return;
    }
    const TailRecord record = m_pending->record;
    m_pending.reset();
    m_records.acknowledge(0);
    emit acknowledged(record.after.day, record.text);
    // On at once: the answer's handler is the turn of the loop the next
    // message needs.
    pump();
}

void Forwarder::onFailed(const QString& reason)
{
    if (!m_sending || !m_inFlight)
        return;
    m_answer.stop();
    m_inFlight = false;
    m_scanner.clear();
    showReceiverTrouble(dc09_texts::unreachable().arg(target().text(), reason));
    const bool firstTry = m_tries == 1;
    afterFailedTry();
    // A connection the receiver closed while idle shows only at the next
    // message: that one goes again at once, the others a second apart.
    if (m_pending || m_linkTest)
        m_reconnect.start(firstTry ? 0 : kReconnectMs);
}

void Forwarder::onTimeout()
{
    m_inFlight = false;
    if (m_tries >= kTries)
        showReceiverTrouble(
            dc09_texts::notAnswering().arg(target().text()).arg(kTries).arg(m_settings.timeoutS));
    afterFailedTry();
    if (m_pending || m_linkTest)
        sendCurrent();
}

// After the third try without an answer the connection is not trusted with
// the next one; the message goes to the other receiver when there is one. A
// link test is given up (the problem line stays until an answer comes), so
// that a record that arrives meanwhile does not wait behind it.
void Forwarder::afterFailedTry()
{
    if (m_tries < kTries)
        return;
    m_tries = 0;
    m_link.drop();
    m_scanner.clear();
    if (m_settings.backup.configured()) {
        m_onBackup = !m_onBackup;
        if (m_onBackup)
            m_primaryAgain.start();
    }
    if (m_linkTest) {
        m_linkTest = false;
        wake();
    }
}

void Forwarder::showReceiverTrouble(const QString& text)
{
    if (text != m_src.screen.problemOf(Source::Dc09Receiver))
        qCWarning(lcApp).noquote() << text;
    m_src.screen.setProblem(Source::Dc09Receiver, text);
}

void Forwarder::recordRefused(const TailRecord& record, const QString& why)
{
    QFile list(refusedPath());
    const QByteArray line = record.after.day.toLatin1() + ' ' + QByteArray::number(record.line())
                            + ' ' + record.text + ' ' + why.toUtf8() + '\n';
    if (list.open(QIODevice::WriteOnly | QIODevice::Append) && list.write(line) == line.size()
        && list.flush())
        return;
    // Its own line, which a day file read again does not clear: the list
    // lacks a record from now on.
    m_src.screen.setProblem(Source::Dc09RefusedList, dc09_texts::refusedListUnwritten().arg(
                                                         refusedPath(), list.errorString()));
}

} // namespace zelvan::dc09

// Two panels on one line as they run: two zelvan processes on the two sides of
// the simulator's split line (zelvan-modsim --split), seeing each other through
// a real mosquitto broker on a free loopback port. Panel A (prefix e2e/a) is
// the preferred one, B (e2e/b) its partner. The roles are read from the broker
// (e2e/+/role), what each side wrote from the simulator's log of the line,
// what the modules sent from the simulator's event log and what each panel
// archived from its day files.
//
// The functions run in order on one pair and one line, each leaving both
// panels running for the next one; each also sets up what it needs, so that
// one can be run alone. activePortGone takes one side of the line away for
// good and comes last.
//
// Both panels forward their day records to one real DC-09 receiver
// (iobroker.sia's, tests/support/Dc09Receivers): only the active one sends,
// and the one that takes over goes on from its partner's place there.
//
// ZELVAN_PAIR_CYCLES sets the kill-and-restart cycles of killCycles (default
// 3; scripts/pair-cycles.sh runs 20), ZELVAN_PAIR_SIGNAL=STOP stops the active
// panel in each cycle instead (scripts/bench-takeover.sh). Every take-over prints
// "take-over after SIGKILL: <ms> ms" (or SIGSTOP): from the signal to the new
// active panel's first write, in the simulator's clock.
#include "dc09/Dc09Forwarder.h"
#include "events/DayFile.h"
#include "modsim/EventLog.h"
#include "support/Dc09Receivers.h"
#include "support/MosquittoBroker.h"
#include "support/PanelProcess.h"
#include "support/StationIni.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTime>
#include <QtTest>
#include <csignal>
#include <map>
#include <memory>
#include <optional>
#include <utility>

using namespace zelvan;
using namespace zelvan::test;

namespace {

constexpr int kSides = 2;
constexpr int kWaitMs = 60000;
// From the death of the active panel to the first write of its partner.
constexpr int kTakeOverMs = 30000;
// The panel's supervision tick: an active panel writes at least once in each.
constexpr qint64 kPeriodMs = 10000;
constexpr qint64 kStopMs = 40000;
// A panel that stepped down does not take the line again within this.
constexpr int kNoFlapMs = 60000;
// The random traffic during a take-over: events per second.
constexpr int kTrafficRate = 10;
const QString kPrefix[kSides] = {QStringLiteral("e2e/a"), QStringLiteral("e2e/b")};
const QString kUser = QStringLiteral("station");
const QString kPassword = QStringLiteral("station-pass");
const QString kWatcher = QStringLiteral("watcher");
const QString kWatcherPassword = QStringLiteral("watcher-pass");

QString sideName(int s) { return s == 0 ? QStringLiteral("A") : QStringLiteral("B"); }

// One write of a panel as the simulator logged it.
struct LineWrite
{
    int side = 0;
    qint64 ms = 0; // the simulator's clock
    QByteArray text;
};

// A guard record: an object and its record letter.
struct Record
{
    int k = 0;
    char letter = 0;
    bool operator==(const Record&) const = default;
};

// Where events[e0..e1) stop being found in order among records[from..]: the
// index of the first event missing, e1 when none is.
qsizetype firstMissing(const QList<Record>& events, qsizetype e0, qsizetype e1,
                       const QList<Record>& records, qsizetype from)
{
    qsizetype r = from;
    for (qsizetype e = e0; e < e1; ++e) {
        while (r < records.size() && !(records[r] == events[e]))
            ++r;
        if (r == records.size())
            return e;
        ++r;
    }
    return e1;
}

QString recordText(const Record& r)
{
    return QStringLiteral("%1%2").arg(r.k).arg(QLatin1Char(r.letter));
}

// A record as the receiving centre shows it: the account, the SIA code and
// the record's time of day (seconds); nothing for a record kept at the station.
struct CentreEvent
{
    QString account;
    QString code;
    int second = 0;
};

// Object k's account at the centre: system 0, the module, the object's number.
QString accountOf(int k)
{
    return QString::asprintf("0%d%03d", (k - 1) / 128 + 1, (k - 1) % 128 + 1);
}

std::optional<CentreEvent> atCentre(const DayRecord& r)
{
    static const QHash<QChar, QString> codes{
        {u'A', "BA"}, {u'P', "CL"}, {u'O', "OP"}, {u'N', "CL"}, {u'F', "OP"}, {u'1', "AT"},
        {u'2', "YT"}, {u'3', "BA"}, {u'4', "BA"}, {u'5', "BA"}, {u'S', "YK"}, {u'V', "YC"}};
    const auto code = codes.constFind(r.letter);
    if (code == codes.cend())
        return std::nullopt;
    return CentreEvent{r.k == 0 ? QStringLiteral("0000") : accountOf(r.k), *code, r.secondOfDay()};
}

// The message is the record's, its time within a second: a record forwarded
// by the partner bears the partner's clock.
bool shows(const QJsonObject& message, const CentreEvent& e)
{
    const QTime ti = QTime::fromString(message.value("modifiers").toObject().value("ti").toString(),
                                       QStringLiteral("HH:mm:ss"));
    const int apart = qAbs(ti.msecsSinceStartOfDay() / 1000 - e.second);
    return message.value("account").toString() == e.account
           && message.value("code").toString() == e.code && ti.isValid()
           && std::min(apart, 86400 - apart) <= 1;
}

// zelvan-modsim --split as a process: its output read into the writes of
// the panels and its other lines.
class SplitSimulator
{
public:
    ~SplitSimulator()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(kWaitMs);
        }
    }

    bool start(const QStringList& args, QString* error)
    {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(qEnvironmentVariable("ZELVAN_BUILD_DIR") + QStringLiteral("/zelvan-modsim"),
                        args);
        if (!ask({}, "ready").isEmpty()) {
            m_clock.start();
            return true;
        }
        *error = QStringLiteral("zelvan-modsim did not start: ")
                 + QString::fromLocal8Bit(lines().join('\n')) + m_process.errorString();
        return false;
    }
    // Sends a command (when there is one) and waits for a line beginning
    // with `reply`; that line, or empty.
    QByteArray ask(const QByteArray& command, const QByteArray& reply)
    {
        const qsizetype from = lines().size();
        if (!command.isEmpty())
            m_process.write(command + '\n');
        const QDeadlineTimer deadline(kWaitMs);
        for (qsizetype i = from; !deadline.hasExpired(); m_process.waitForReadyRead(100)) {
            for (read(); i < m_lines.size(); ++i) {
                if (m_lines[i].startsWith(reply))
                    return m_lines[i];
            }
            if (m_process.state() == QProcess::NotRunning)
                break;
        }
        return {};
    }
    void command(const QByteArray& command) { m_process.write(command + '\n'); }
    // The characters the side wrote since the simulator started, its own count.
    qint64 total(int side)
    {
        static const QRegularExpression wrote(QStringLiteral(" wrote (\\d+) characters$"));
        const QByteArray line = ask("status", "split " + sideName(side).toLatin1() + ' ');
        const QRegularExpressionMatch m = wrote.match(QString::fromLocal8Bit(line));
        return m.hasMatch() ? m.captured(1).toLongLong() : -1;
    }
    const QList<LineWrite>& writes()
    {
        read();
        return m_writes;
    }
    // Every line but the writes.
    const QByteArrayList& lines()
    {
        read();
        return m_lines;
    }
    // The simulator's clock now, as near as the test knows it (from its "ready").
    qint64 nowMs() const { return m_clock.elapsed(); }
    bool quit()
    {
        command("quit");
        const bool ended = m_process.waitForFinished(kWaitMs);
        read();
        return ended && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }
    bool running() const { return m_process.state() != QProcess::NotRunning; }

private:
    void read()
    {
        static const QRegularExpression write(
            QStringLiteral("^split (\\d+) ms ([AB]) .* wrote \\d+: (.*)$"));
        m_partial += m_process.readAll();
        qsizetype from = 0;
        for (qsizetype lf = m_partial.indexOf('\n'); lf >= 0; lf = m_partial.indexOf('\n', from)) {
            const QByteArray line = m_partial.mid(from, lf - from);
            from = lf + 1;
            const QRegularExpressionMatch m = write.match(QString::fromLocal8Bit(line));
            if (m.hasMatch())
                m_writes.append({m.captured(2) == u"A" ? 0 : 1, m.captured(1).toLongLong(),
                                 m.captured(3).toLocal8Bit()});
            else
                m_lines.append(line);
        }
        m_partial.remove(0, from);
    }

    QProcess m_process;
    QByteArray m_partial;
    QList<LineWrite> m_writes;
    QByteArrayList m_lines;
    QElapsedTimer m_clock;
};

// A panel of the pair: its program directory, data directory and process,
// and where the test's logs stood when it was last started.
struct Side
{
    QString home;
    QString data;
    std::unique_ptr<PanelProcess> panel;
    qsizetype roleMark = 0; // role messages seen before its last start
    qint64 startedMs = 0;   // the simulator's clock at its last start
};

// A panel that hears the line from a moment on: every event the modules sent
// from `event` on is among its records from `record` on, in the same order.
struct Watch
{
    int side = 0;
    qsizetype record = 0;
    qsizetype event = 0;
};

} // namespace

class TestPair : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    std::unique_ptr<MosquittoBroker> m_broker;
    std::unique_ptr<MqttSubscriber> m_roles;
    RealReceiver m_centre; // the receiving centre both panels forward to
    SplitSimulator m_sim;
    QString m_eventLog;
    Side m_sides[kSides];
    qsizetype m_linesChecked = 0; // the simulator's lines looked at for two writers

    // The role the panel published since its last start (or since the role
    // message `from`); empty when none.
    QByteArray role(int s, qsizetype from = -1)
    {
        const QByteArray topic = kPrefix[s].toUtf8() + "/role ";
        const QList<QByteArray>& lines = m_roles->lines();
        QByteArray r;
        for (qsizetype i = from < 0 ? m_sides[s].roleMark : from; i < lines.size(); ++i) {
            if (lines[i].startsWith(topic))
                r = lines[i].mid(topic.size());
        }
        return r;
    }
    bool running(int s) const { return m_sides[s].panel->running(); }
    // The panel that runs and said it is active; -1 when none.
    int activeSide()
    {
        for (int s = 0; s < kSides; ++s) {
            if (running(s) && role(s) == "active")
                return s;
        }
        return -1;
    }
    QList<LineWrite> writesOf(int s, qint64 sinceMs)
    {
        QList<LineWrite> out;
        for (const LineWrite& w : m_sim.writes()) {
            if (w.side == s && w.ms >= sinceMs)
                out.append(w);
        }
        return out;
    }
    bool wroteAfter(int s, qint64 ms) { return !writesOf(s, ms).isEmpty(); }

    // The records of a panel's day files, oldest first.
    QList<DayRecord> dayRecords(int s) const
    {
        QList<DayRecord> records;
        for (const QString& f : dayFiles(m_sides[s].data)) {
            for (const QByteArray& l : dayLines(QDir(m_sides[s].data).filePath(f))) {
                if (const auto r = parseDayRecord(l))
                    records.append(*r);
            }
        }
        return records;
    }
    QList<Record> archived(int s) const
    {
        QList<Record> records;
        for (const DayRecord& r : dayRecords(s))
            records.append({r.k, char(r.letter.unicode())});
        return records;
    }
    // The guard messages the modules sent, in the order sent.
    QList<Record> sent() const
    {
        QList<Record> events;
        for (const modsim::GuardEvent& e : modsim::readEventLog(m_eventLog))
            events.append({(e.module - 1) * 128 + e.object, e.record});
        return events;
    }
    Watch watch(int s)
    {
        const qsizetype record = archived(s).size(); // before the events: none is missed
        return {s, record, sent().size()};
    }
    // Waits until the panel of `w` has archived every event sent from
    // w.event up to `until`.
    void verifyArchived(const Watch& w, qsizetype until)
    {
        QList<Record> events;
        QList<Record> records;
        qsizetype missing = 0;
        const auto complete = [&] {
            events = sent();
            records = archived(w.side);
            missing = firstMissing(events, w.event, until, records, w.record);
            return missing == until;
        };
        const auto diagnosis = [&] {
            QStringList since;
            for (qsizetype r = w.record; r < records.size() && since.size() < 40; ++r)
                since << recordText(records[r]);
            return QStringLiteral("panel %1 archived %2 of the events %3..%4 in order; the first "
                                  "missing: event %5 (%6); its records since: %7")
                .arg(sideName(w.side))
                .arg(missing - w.event)
                .arg(w.event + 1)
                .arg(until)
                .arg(missing + 1)
                .arg(missing < events.size() ? recordText(events[missing]) : QString())
                .arg(since.join(u' '));
        };
        QTRY_VERIFY2_WITH_TIMEOUT(complete(), qPrintable(diagnosis()), kWaitMs);
    }

    // Every record of the panel of `w` from w.record on that goes to the
    // centre is among the receiver's acknowledged messages from `from` on, in
    // order.
    void verifyForwarded(const Watch& w, qsizetype from)
    {
        QString missing;
        const auto complete = [&] {
            const QList<QJsonObject> acked = m_centre.acknowledged();
            const QList<DayRecord> records = dayRecords(w.side);
            qsizetype a = from;
            for (qsizetype r = w.record; r < records.size(); ++r) {
                const std::optional<CentreEvent> e = atCentre(records[r]);
                if (!e)
                    continue;
                while (a < acked.size() && !shows(acked[a], *e))
                    ++a;
                if (a == acked.size()) {
                    missing = QStringLiteral("record %1 of panel %2 (%3 %4 %5) is not among the "
                                             "%6 messages the centre acknowledged in order")
                                  .arg(r + 1)
                                  .arg(sideName(w.side), e->account, e->code, records[r].timeText())
                                  .arg(acked.size() - from);
                    return false;
                }
                ++a;
            }
            return true;
        };
        QTRY_VERIFY2_WITH_TIMEOUT(complete(), qPrintable(missing), kWaitMs);
    }

    // The objects the modules hold violated: their last message was a violation.
    QString violatedSent() const
    {
        std::map<int, char> last;
        for (const Record& r : sent())
            last[r.k] = r.letter;
        QStringList violated;
        for (const auto& [k, letter] : last) {
            if (letter == 'A')
                violated << QString::number(k);
        }
        return violated.join(u' ');
    }
    // The objects whose retained state under the panel's prefix is "violated".
    QString violatedRetained(int s) const
    {
        const QString head = kPrefix[s] + QStringLiteral("/object/");
        std::map<int, QByteArray> states;
        const auto retained = retainedMessages(
            m_broker->port(), kWatcher, kWatcherPassword, {head + QStringLiteral("+/state")},
            QStringLiteral("e2e/end"), QStringLiteral("e2e-states"));
        for (auto it = retained.begin(); it != retained.end(); ++it)
            states[it.key().mid(head.size()).section(u'/', 0, 0).toInt()] = it.value();
        QStringList violated;
        for (const auto& [k, state] : states) {
            if (state == "violated")
                violated << QString::number(k);
        }
        return violated.join(u' ');
    }

    void startPanel(int s)
    {
        Side& side = m_sides[s];
        side.roleMark = m_roles->lines().size();
        side.startedMs = m_sim.nowMs();
        QVERIFY2(side.panel->start(), qPrintable(PanelProcess::program()));
    }
    // SIGKILL; the simulator's clock at the kill.
    qint64 killPanel(int s)
    {
        const qint64 at = m_sim.nowMs();
        m_sides[s].panel->signal(SIGKILL);
        return at;
    }
    // Both panels run, one active that has written, the other on standby:
    // `active` is the active one.
    void settle(int& active)
    {
        for (int s = 0; s < kSides; ++s) {
            if (!running(s))
                startPanel(s);
        }
        const auto settled = [&] {
            active = activeSide();
            return active >= 0 && role(1 - active) == "standby"
                   && wroteAfter(active, m_sides[active].startedMs);
        };
        QTRY_VERIFY2_WITH_TIMEOUT(settled(), "no active panel with a partner on standby", kWaitMs);
    }
    // The partner of a panel that died at diedMs takes the line over: its
    // first write within kTakeOverMs, its role active.
    void verifyTakeOver(int survivor, qint64 diedMs, const char* how)
    {
        QTRY_VERIFY2_WITH_TIMEOUT(
            wroteAfter(survivor, diedMs),
            qPrintable(QStringLiteral("panel %1 wrote nothing, its role %2")
                           .arg(sideName(survivor), QString::fromUtf8(role(survivor)))),
            kTakeOverMs);
        qInfo("take-over after %s: %lld ms", how, writesOf(survivor, diedMs).first().ms - diedMs);
        QTRY_COMPARE_WITH_TIMEOUT(role(survivor), QByteArray("active"), kWaitMs);
    }
    // The side's first write since `sinceMs` and one a supervision period
    // (less a second) later: it supervises the line.
    void verifySupervises(int s, qint64 sinceMs)
    {
        QVERIFY(wroteAfter(s, sinceMs));
        const qint64 first = writesOf(s, sinceMs).first().ms;
        QTRY_VERIFY_WITH_TIMEOUT(wroteAfter(s, first + kPeriodMs - 1000), kWaitMs);
    }

    // No supervision period with two writers since the last look.
    void verifyOneWriter()
    {
        const QByteArrayList lines = m_sim.lines();
        const qsizetype from = std::exchange(m_linesChecked, lines.size());
        for (qsizetype i = from; i < lines.size(); ++i)
            QVERIFY2(!lines[i].startsWith("both wrote"), lines[i].constData());
    }

private slots:
    void initTestCase()
    {
        for (const QString& program :
             {PanelProcess::program(),
              qEnvironmentVariable("ZELVAN_BUILD_DIR") + QStringLiteral("/zelvan-modsim")})
            QVERIFY2(QFile::exists(program), qPrintable(program + QStringLiteral(" is not built")));
        QVERIFY2(!MosquittoBroker::program(QStringLiteral("mosquitto")).isEmpty(),
                 "mosquitto is missing: scripts/ensure-deps.sh installs it");
        QVERIFY(m_root.isValid());
        const QDir root(m_root.path());

        m_broker = std::make_unique<MosquittoBroker>(m_root.path());
        QVERIFY(m_broker->addUser(kUser, kPassword));
        QVERIFY(m_broker->addUser(kWatcher, kWatcherPassword));
        QString error;
        QVERIFY2(m_broker->start(&error), qPrintable(error));
        m_roles = std::make_unique<MqttSubscriber>(
            m_broker->port(), kWatcher, kWatcherPassword, QStringList{QStringLiteral("e2e/+/role")},
            QStringLiteral("e2e-roles"), false, QStringList{QStringLiteral("-v")});
        QVERIFY(m_roles->start());
        // Every account the objects of eight modules and the station have.
        QList<RealReceiver::Account> accounts{{"0000", {}, false}};
        for (int k = 1; k <= 1024; ++k)
            accounts.append({accountOf(k).toLatin1(), {}, false});
        QVERIFY2(m_centre.start(accounts, &error), qPrintable(error));

        const QString lines[kSides] = {root.filePath(QStringLiteral("line-a")),
                                       root.filePath(QStringLiteral("line-b"))};
        m_eventLog = root.filePath(QStringLiteral("events.log"));
        QVERIFY2(m_sim.start({QStringLiteral("--split"), lines[0] + u',' + lines[1],
                              QStringLiteral("--event-log"), m_eventLog},
                             &error),
                 qPrintable(error));

        for (int s = 0; s < kSides; ++s) {
            Side& side = m_sides[s];
            side.home = root.filePath(QStringLiteral("panel-") + sideName(s).toLower());
            side.data = root.filePath(QStringLiteral("data-") + sideName(s).toLower());
            QVERIFY(QDir().mkpath(side.home) && QDir().mkpath(side.data));
            StationIniOptions station;
            station.dataDir = side.data;
            station.options = QStringList(6, QStringLiteral("0"));
            QVERIFY(writeStationIni(side.home, lines[s], station));
            QVERIFY(writeMqttIni(side.home, m_broker->port(), kUser, kPassword, kPrefix[s], 0,
                                 QStringLiteral("[pair]\npartner=%1\n").arg(kPrefix[1 - s])
                                     + (s == 0 ? QStringLiteral("preferred=true\n") : QString())));
            // The receiver refuses link tests: none.
            QFile dc09(QDir(side.home).filePath(QStringLiteral("dc09.ini")));
            QVERIFY(dc09.open(QIODevice::WriteOnly));
            dc09.write(QStringLiteral("[receiver]\nhost = 127.0.0.1\nport = %1\n[link]\n"
                                      "supervision = 0\ntimeout = 2\n")
                           .arg(m_centre.port())
                           .toLatin1());
            dc09.close();
            side.panel = std::make_unique<PanelProcess>(side.home);
            side.panel->setLogFile(QDir(side.home).filePath(QStringLiteral("panel.log")));
            side.panel->setEnvironment(QStringLiteral("QT_LOGGING_RULES"),
                                       QStringLiteral("zelvan.*=true"));
        }
    }

    void cleanup()
    {
        const QByteArrayList lines = m_sim.lines();
        if (QTest::currentTestFailed()) {
            // What the panels, the simulator and the roles said last.
            for (int s = 0; s < kSides; ++s) {
                QFile log(QDir(m_sides[s].home).filePath(QStringLiteral("panel.log")));
                const QByteArrayList said =
                    log.open(QIODevice::ReadOnly) ? log.readAll().split('\n') : QByteArrayList();
                qInfo("panel %s (%s), the end of its log:\n%s", qPrintable(sideName(s)),
                      running(s) ? "running" : "not running",
                      said.mid(std::max<qsizetype>(0, said.size() - 40)).join('\n').constData());
            }
            qInfo("simulator:\n%s",
                  lines.mid(std::max<qsizetype>(0, lines.size() - 20)).join('\n').constData());
            const QList<QByteArray>& roles = m_roles->lines();
            qInfo("roles:\n%s",
                  roles.mid(std::max<qsizetype>(0, roles.size() - 20)).join('\n').constData());
        }
        verifyOneWriter();
    }

    void cleanupTestCase()
    {
        for (int s = 0; s < kSides; ++s) {
            if (m_sides[s].panel) {
                m_sides[s].panel->signal(SIGCONT);
                QVERIFY(m_sides[s].panel->stop());
            }
        }
        if (!m_sim.running())
            return;
        QVERIFY(m_sim.quit()); // a period under way is told at the end
        verifyOneWriter();
    }

    void bothStarted()
    {
        for (int s = 0; s < kSides; ++s)
            killPanel(s);
        const qint64 bWrote = m_sim.total(1);
        for (int s = 0; s < kSides; ++s)
            startPanel(s);
        QTRY_COMPARE_WITH_TIMEOUT(role(0), QByteArray("active"), kTakeOverMs);
        QTRY_COMPARE_WITH_TIMEOUT(role(1), QByteArray("standby"), kWaitMs);
        // A's start-up exchange, then its supervision: B left it alone all along.
        QTRY_VERIFY_WITH_TIMEOUT(wroteAfter(0, m_sides[0].startedMs), kWaitMs);
        verifySupervises(0, m_sides[0].startedMs);
        QCOMPARE(m_sim.total(1), bWrote);
        QCOMPARE(role(1), QByteArray("standby"));
    }

    void activeKilled()
    {
        int active = -1;
        settle(active);
        if (QTest::currentTestFailed())
            return;
        const int standby = 1 - active;
        const Watch w = watch(standby);
        const qsizetype ackedBefore = m_centre.acknowledged().size();
        m_sim.command("random " + QByteArray::number(kTrafficRate) + " 0 2");
        QTRY_VERIFY_WITH_TIMEOUT(sent().size() >= w.event + 30, kWaitMs); // during traffic
        const qint64 diedMs = killPanel(active);
        const qsizetype ackedAtKill = m_centre.acknowledged().size();
        verifyTakeOver(standby, diedMs, "SIGKILL");
        if (QTest::currentTestFailed())
            return;
        // Its start-up exchange: the modules are asked for their versions.
        const auto askedVersions = [&] {
            QByteArray text;
            for (const LineWrite& lw : writesOf(standby, diedMs))
                text += lw.text;
            return text.contains("Ver");
        };
        QTRY_VERIFY_WITH_TIMEOUT(askedVersions(), kWaitMs);
        verifySupervises(standby, diedMs);
        QVERIFY(!m_sim.ask("random stop", "random traffic stopped").isEmpty());
        // Every event since before the kill is in its files (so in the union
        // of both), and its violations are the modules'.
        verifyArchived(w, sent().size());
        QTRY_COMPARE_WITH_TIMEOUT(violatedRetained(standby), violatedSent(), kWaitMs);

        // The centre has every record of its files from before the kill on,
        // in order: the killed one's up to its end, then its own.
        verifyForwarded(w, ackedBefore);
        // Sent twice: only what the killed one had sent since it last told its
        // place, and the margin before that place. Before the kill a record
        // went again only as the same message (the standby sent nothing).
        const QList<QJsonObject> acked = m_centre.acknowledged();
        QHash<QString, QString> sequenceOf; // data -> the sequence it first came with
        int twice = 0;
        for (qsizetype i = 0; i < acked.size(); ++i) {
            const QString data = acked[i].value("data").toString();
            const QString sequence = acked[i].value("sequence").toString();
            const auto first = sequenceOf.constFind(data);
            if (first == sequenceOf.cend()) {
                sequenceOf.insert(data, sequence);
                continue;
            }
            QVERIFY2(i >= ackedAtKill || *first == sequence,
                     qPrintable(QStringLiteral("before the kill %1 came as %2 and as %3")
                                    .arg(data, *first, sequence)));
            if (acked[i].value("code").toString() != u"BR") // a restore goes with its record
                ++twice;
        }
        qInfo("records sent twice after the take-over: %d", twice);
        QVERIFY2(twice <= dc09::Forwarder::kResendMargin + 2 * kTrafficRate,
                 qPrintable(QString::number(twice)));
    }

    void killedComesBackAsStandby()
    {
        int dead = running(0) ? (running(1) ? -1 : 1) : 0;
        if (dead < 0) { // run alone: the active one dies first
            settle(dead);
            if (QTest::currentTestFailed())
                return;
            verifyTakeOver(1 - dead, killPanel(dead), "SIGKILL");
            if (QTest::currentTestFailed())
                return;
        }
        const int active = 1 - dead;
        const qint64 before = m_sim.total(dead);
        startPanel(dead);
        QTRY_COMPARE_WITH_TIMEOUT(role(dead), QByteArray("standby"), kWaitMs);
        // A full supervision period of the active one since the restart.
        QTRY_VERIFY_WITH_TIMEOUT(wroteAfter(active, m_sides[dead].startedMs + kPeriodMs), kWaitMs);
        QCOMPARE(m_sim.total(dead), before);
        QCOMPARE(role(dead), QByteArray("standby"));
        QCOMPARE(role(active), QByteArray("active"));
    }

    void killCycles()
    {
        const int cycles = qEnvironmentVariableIsSet("ZELVAN_PAIR_CYCLES")
                               ? qEnvironmentVariableIntValue("ZELVAN_PAIR_CYCLES")
                               : 3;
        // ZELVAN_PAIR_SIGNAL=STOP: the active one is stopped instead of killed.
        const bool stops = qEnvironmentVariable("ZELVAN_PAIR_SIGNAL") == QLatin1String("STOP");
        int active = -1;
        settle(active);
        if (QTest::currentTestFailed())
            return;
        // At every moment one of the two has heard the line since the last
        // mark: the standby until it dies, then the one that came back.
        Watch covering = watch(1 - active);
        m_sim.command("random 10 0 3");
        for (int i = 0; i < cycles; ++i) {
            const int dead = active;
            const int survivor = 1 - dead;
            QTRY_VERIFY_WITH_TIMEOUT(sent().size() >= covering.event + 10, kWaitMs);
            if (stops) {
                // Stopped, taken over, resumed: it steps down, and is
                // started again so that its minute without a take-over does
                // not hold the next cycle.
                const qint64 at = m_sim.nowMs();
                m_sides[dead].panel->signal(SIGSTOP);
                verifyTakeOver(survivor, at, "SIGSTOP");
                if (QTest::currentTestFailed())
                    return;
                const qsizetype roleMark = m_roles->lines().size();
                m_sides[dead].panel->signal(SIGCONT);
                QTRY_COMPARE_WITH_TIMEOUT(role(dead, roleMark), QByteArray("standby"), kWaitMs);
                killPanel(dead);
            } else {
                verifyTakeOver(survivor, killPanel(dead), "SIGKILL");
            }
            if (QTest::currentTestFailed())
                return;
            const qint64 before = m_sim.total(dead);
            const qsizetype had = archived(dead).size();
            startPanel(dead);
            QTRY_COMPARE_WITH_TIMEOUT(role(dead), QByteArray("standby"), kWaitMs);
            // It hears the line again: a guard record of its own since its start.
            const auto hears = [&] {
                const QList<Record> records = archived(dead);
                for (qsizetype r = had; r < records.size(); ++r) {
                    if (QByteArray("AOP").contains(records[r].letter))
                        return true;
                }
                return false;
            };
            QTRY_VERIFY_WITH_TIMEOUT(hears(), kWaitMs);
            const Watch next = watch(dead);
            verifyArchived(covering, next.event);
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(m_sim.total(dead), before);
            covering = next;
            active = survivor;
        }
        QVERIFY(!m_sim.ask("random stop", "random traffic stopped").isEmpty());
        verifyArchived(covering, sent().size());
    }

    void activeStoppedAndResumed()
    {
        int stopped = -1;
        settle(stopped);
        if (QTest::currentTestFailed())
            return;
        const int partner = 1 - stopped;
        const qint64 stoppedMs = m_sim.nowMs();
        const QDeadlineTimer resume(kStopMs);
        m_sides[stopped].panel->signal(SIGSTOP);
        verifyTakeOver(partner, stoppedMs, "SIGSTOP");
        const bool tookOver = !QTest::currentTestFailed();
        QTRY_VERIFY_WITH_TIMEOUT(resume.hasExpired(), kStopMs + 1000);
        const qint64 before = m_sim.total(stopped);
        const qsizetype roleMark = m_roles->lines().size();
        const qint64 resumedMs = m_sim.nowMs();
        m_sides[stopped].panel->signal(SIGCONT);
        if (!tookOver)
            return;
        QTRY_COMPARE_WITH_TIMEOUT(role(stopped, roleMark), QByteArray("standby"), kWaitMs);
        // A full supervision period of the partner since the resumption.
        QTRY_VERIFY_WITH_TIMEOUT(wroteAfter(partner, resumedMs + kPeriodMs), kWaitMs);
        QCOMPARE(m_sim.total(stopped), before);
        QCOMPARE(role(stopped), QByteArray("standby"));
        QCOMPARE(role(partner), QByteArray("active"));
    }

    void activePortGone()
    {
        int active = -1;
        settle(active);
        if (QTest::currentTestFailed())
            return;
        const int partner = 1 - active;
        const qint64 droppedMs = m_sim.nowMs();
        m_sim.command("drop " + sideName(active).toLatin1());
        // Its port failed and did not come back at the next tick.
        QTRY_COMPARE_WITH_TIMEOUT(role(active), QByteArray("standby"), kWaitMs);
        // A partner that stepped down less than a minute ago (the resumed one
        // above) takes the line only once that minute is over.
        QTRY_VERIFY_WITH_TIMEOUT(wroteAfter(partner, droppedMs), kNoFlapMs + kTakeOverMs);
        QTRY_COMPARE_WITH_TIMEOUT(role(partner), QByteArray("active"), kWaitMs);
        verifySupervises(partner, droppedMs);
    }
};

QTEST_GUILESS_MAIN(TestPair)
#include "tst_pair.moc"

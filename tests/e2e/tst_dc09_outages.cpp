// The real program forwarding its day records to iobroker.sia's DC-09
// receiver (RealReceiver) on a loopback port, with traffic from the simulated
// hub on a pseudo-terminal, while the receiver is stopped for a minute and
// started again on the same port, or while the program is killed with SIGKILL
// and started again. At the end the receiver has acknowledged every event of
// the day files' records, first in the records' order: an event may come
// again, none goes missing or comes before one it follows.
//
// ZELVAN_DC09_EVENTS sets the number of guard messages of each case (default
// 300; scripts/dc09-outages.sh runs more).
#include "dc09/Dc09Events.h"
#include "events/DayFile.h"
#include "modsim/ModuleSimulator.h"
#include "modsim/PtyLink.h"
#include "support/Dc09Receivers.h"
#include "support/ModulesOnPty.h"
#include "support/PanelProcess.h"
#include "support/StationIni.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <csignal>

using namespace zelvan;
using namespace zelvan::test;

namespace {

constexpr int kWaitMs = 60000;
constexpr int kOutageMs = 60000;
constexpr int kBursts = 14;
constexpr int kBurstMs = 2500;

// Every account the traffic can produce: the station's and one per object
// (system 0, the module digit, the object's number in three digits).
QList<RealReceiver::Account> allAccounts()
{
    QList<RealReceiver::Account> out;
    out.append(RealReceiver::Account{"0000", {}, false});
    for (int m = 1; m <= 8; ++m) {
        for (int n = 1; n <= 128; ++n) {
            const QByteArray number = QByteArray::number(n).rightJustified(3, '0');
            out.append(RealReceiver::Account{"0" + QByteArray::number(m) + number, {}, false});
        }
    }
    return out;
}

bool writeDc09Ini(const QString& home, int port)
{
    QFile f(home + QStringLiteral("/dc09.ini"));
    const QByteArray text = "[receiver]\nhost=127.0.0.1\nport=" + QByteArray::number(port)
                            + "\nprotocol=tcp\n[message]\ntoken=SIA-DCS\n"
                              "[link]\nsupervision=0\ntimeout=2\n";
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size()
           && f.flush();
}

// "account data" of each event the day files hold for the centre, in order.
QByteArrayList wantedEvents(const QString& dataDir)
{
    dc09::EventMapper mapper{dc09::CodeTable(), dc09::Accounts()};
    QByteArrayList out;
    for (const QString& f : dayFiles(dataDir)) {
        for (const QByteArray& line : dayLines(dataDir + QLatin1Char('/') + f)) {
            if (const std::optional<DayRecord> r = parseDayRecord(line)) {
                for (const dc09::Event& e : mapper.map(*r))
                    out.append(e.account + ' ' + dc09::dataBlock("SIA-DCS", e));
            }
        }
    }
    return out;
}

QByteArrayList eventsOf(const QList<QJsonObject>& messages)
{
    QByteArrayList out;
    for (const QJsonObject& o : messages)
        out.append(o.value("account").toString().toLatin1() + ' '
                   + o.value("data").toString().toLatin1());
    return out;
}

// How far `got` covers `want` in order. An event may come again after later
// ones (sent again after an outage); one not yet passed that is not the next
// one is a fault.
struct Coverage
{
    qsizetype matched = 0;
    QString fault;
};
Coverage cover(const QByteArrayList& want, const QByteArrayList& got)
{
    Coverage c;
    QSet<QByteArray> passed;
    for (const QByteArray& g : got) {
        if (c.matched < want.size() && g == want[c.matched]) {
            passed.insert(g);
            ++c.matched;
        } else if (!passed.contains(g)) {
            const qsizetype later = want.indexOf(g, c.matched);
            c.fault = later < 0 ? QStringLiteral("not in the day files: ") + QString::fromLatin1(g)
                                : QStringLiteral("event %1 (%2) before event %3 (%4)")
                                      .arg(later)
                                      .arg(QString::fromLatin1(g))
                                      .arg(c.matched)
                                      .arg(QString::fromLatin1(want[c.matched]));
            return c;
        }
    }
    return c;
}

// The test's own event loop (the simulator's line runs on it) until the deadline.
void keepRunning(const QDeadlineTimer& until)
{
    QEventLoop loop;
    QTimer::singleShot(until.remainingTime(), &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

class TestDc09Outages : public QObject
{
    Q_OBJECT

    QString m_data;
    modsim::ModuleSimulator* m_sim = nullptr;
    int m_turn = 8;

    int recordCount() const
    {
        int n = 0;
        for (const QString& f : dayFiles(m_data))
            n += int(dayLines(m_data + QLatin1Char('/') + f).size());
        return n;
    }
    int startRecords() const
    {
        int n = 0;
        for (const QString& f : dayFiles(m_data)) {
            for (const QByteArray& l : dayLines(m_data + QLatin1Char('/') + f))
                n += l.size() == 13 && l.mid(4, 2) == "83" ? 1 : 0;
        }
        return n;
    }
    // Guard messages first..last-1 in turns over the first m_turn objects
    // (all 1024 in a long run), spread over the modules: violated, taken
    // (the restore goes first), released.
    void happen(int first, int last)
    {
        for (int i = first; i < last; ++i) {
            const int j = i % m_turn;
            const int m = j % 8 + 1;
            const int n = j / 8 + 1;
            const int what = i / m_turn % 3;
            if (what == 0)
                m_sim->violate(m, n);
            else if (what == 1)
                m_sim->take(m, n);
            else
                m_sim->release(m, n);
        }
    }

private slots:
    void everyEventArrives_data()
    {
        QTest::addColumn<bool>("killPanel");
        QTest::newRow("receiver stopped for a minute") << false;
        QTest::newRow("program killed") << true;
    }

    void everyEventArrives()
    {
        QFETCH(bool, killPanel);
        const int total = qEnvironmentVariableIsSet("ZELVAN_DC09_EVENTS")
                              ? qEnvironmentVariableIntValue("ZELVAN_DC09_EVENTS")
                              : 300;
        m_turn = std::clamp(total / 9, 8, 1024);
        QTemporaryDir home;
        modsim::ModuleSimulator sim;
        modsim::PtyLink link;
        PanelProcess panel(home.path());
        panel.setLogFile(home.filePath(QStringLiteral("panel.log")));
        m_sim = &sim;
        m_data = home.filePath(QStringLiteral("Data"));
        QString error;
        const QString linkPath = home.filePath(QStringLiteral("modules"));
        QVERIFY2(playModulesOnPty(sim, link, linkPath, &error), qPrintable(error));
        StationIniOptions station;
        station.dataDir = m_data;
        station.options = QStringList(6, QStringLiteral("0"));
        QVERIFY(writeStationIni(home.path(), linkPath, station));

        const QList<RealReceiver::Account> accounts = allAccounts();
        RealReceiver receiver;
        QVERIFY2(receiver.start(accounts, &error), qPrintable(error));
        QVERIFY(writeDc09Ini(home.path(), receiver.port()));
        QList<QJsonObject> before; // handled by the receiver before it was stopped
        const auto handled = [&] { return before + receiver.messages(); };
        const auto acknowledged = [&] {
            QList<QJsonObject> out;
            for (const QJsonObject& o : handled())
                if (o.value("answer").toString() == QLatin1String("ACK"))
                    out.append(o);
            return out;
        };

        QVERIFY2(panel.start(), qPrintable(PanelProcess::program()));
        QTRY_VERIFY_WITH_TIMEOUT(startRecords() >= 8, kWaitMs);
        happen(0, total / 3);
        QTRY_VERIFY_WITH_TIMEOUT(recordCount() >= 8 + total / 3, kWaitMs);

        // The outage comes while records are being forwarded.
        const int atOutage = int(acknowledged().size());
        happen(total / 3, total / 2);
        QTRY_VERIFY_WITH_TIMEOUT(acknowledged().size() >= atOutage + total / 12, kWaitMs);
        if (killPanel) {
            panel.signal(SIGKILL);
            QVERIFY(!panel.running());
            QVERIFY2(panel.start(), qPrintable(PanelProcess::program()));
            QTRY_VERIFY_WITH_TIMEOUT(startRecords() >= 16, kWaitMs);
            const int now = recordCount();
            happen(total / 2, total);
            QTRY_VERIFY_WITH_TIMEOUT(recordCount() >= now + (total - total / 2), kWaitMs);
        } else {
            receiver.stop();
            before = handled();
            const QDeadlineTimer outage(kOutageMs);
            const int now = recordCount();
            happen(total / 2, 2 * total / 3);
            QTRY_VERIFY_WITH_TIMEOUT(recordCount() >= now + (2 * total / 3 - total / 2), kWaitMs);
            keepRunning(QDeadlineTimer(outage.remainingTime() / 2));
            happen(2 * total / 3, 5 * total / 6);
            QTRY_VERIFY_WITH_TIMEOUT(recordCount() >= now + (5 * total / 6 - total / 2), kWaitMs);
            keepRunning(outage);
            QVERIFY2(receiver.start(accounts, &error, receiver.port()), qPrintable(error));
            // The rest in bursts over more than the 30 s after which the
            // receiver ends a connection: it ends one amid the traffic.
            const int from = 5 * total / 6;
            for (int b = 0; b < kBursts; ++b) {
                happen(from + (total - from) * b / kBursts,
                       from + (total - from) * (b + 1) / kBursts);
                keepRunning(QDeadlineTimer(kBurstMs));
            }
            QTRY_VERIFY_WITH_TIMEOUT(recordCount() >= now + (total - total / 2), kWaitMs);
        }

        // What the receiver acknowledged is read before the files, which hold
        // every record it can have had.
        QByteArrayList got;
        QByteArrayList want;
        Coverage c;
        const auto settled = [&] {
            got = eventsOf(acknowledged());
            want = wantedEvents(m_data);
            c = cover(want, got);
            return !c.fault.isEmpty() || c.matched == want.size();
        };
        const auto diagnosis = [&] {
            return QStringLiteral("%1 of %2 events acknowledged in order (%3 messages); next: %4")
                .arg(c.matched)
                .arg(want.size())
                .arg(got.size())
                .arg(c.matched < want.size() ? QString::fromLatin1(want[c.matched]) : QString());
        };
        QTRY_VERIFY2_WITH_TIMEOUT(settled(), qPrintable(diagnosis()), 2 * kWaitMs);
        QVERIFY2(c.fault.isEmpty(), qPrintable(c.fault));
        QVERIFY(want.size() >= total / 2 + 16);
        const QList<QJsonObject> all = handled();
        qInfo("%lld events, %lld acknowledged, %lld messages handled", qlonglong(want.size()),
              qlonglong(got.size()), qlonglong(all.size()));
        for (const QJsonObject& o : all) {
            if (o.value("answer").toString() != QLatin1String("ACK"))
                qInfo() << "not acknowledged:" << o.value("error").toString()
                        << o.value("raw").toString();
        }
        QVERIFY(panel.stop());
        // The receiver's trouble is logged when it changes, not at every try.
        QFile log(home.filePath(QStringLiteral("panel.log")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray endpoint = "127.0.0.1:" + QByteArray::number(receiver.port());
        QCOMPARE_LT(log.readAll().count(endpoint), 10);
    }
};

QTEST_GUILESS_MAIN(TestDc09Outages)
#include "tst_dc09_outages.moc"

// The rules of a pair of panels on one line, headless: a broker in memory
// and clocks the test moves. Who takes the line over and when, that nothing
// is written before the broker has the role, and when an active panel
// steps down.
#include "core/MonotonicClock.h"
#include "pair/PairRoles.h"
#include "support/FakeBrokerLink.h"
#include "support/Fakes.h"

#include <QSignalSpy>
#include <QtTest>

using namespace zelvan;
using namespace zelvan::test;

namespace {

class FakeMonotonic : public MonotonicClock
{
public:
    qint64 msecs() const override { return now; }
    qint64 now = 1000000;
};

// One panel "st/a" with its partner "st/b", both seen through the fake broker.
struct Rig
{
    FakeMonotonic mono;
    FakeClock clock;
    FakeBrokerLink link;
    std::unique_ptr<PairRoles> roles;
    quint64 prompts = 0;

    explicit Rig(bool preferred, QStringList problems = {}, bool broker = true)
    {
        roles = std::make_unique<PairRoles>(
            PairRoles::Options{"st/a", "st/b", preferred, std::move(problems)}, mono, clock);
        if (broker) {
            link.setConnected(true);
            roles->attach(&link);
        }
    }
    void partner(const QByteArray& status, const QByteArray& role, bool preferred = false)
    {
        if (!status.isEmpty())
            emit link.received("st/b/status", status, true);
        emit link.received("st/b/preferred", preferred ? "true" : "false", true);
        if (!role.isEmpty())
            emit link.received("st/b/role", role, true);
    }
    // Seconds pass, checked once a second as the station does.
    void run(int seconds, bool promptEachSecond = false)
    {
        for (int i = 0; i < seconds; ++i) {
            mono.now += 1000;
            clock.advanceMs(1000);
            if (promptEachSecond)
                ++prompts;
            roles->check(prompts);
        }
    }
    QByteArray lastRole() const
    {
        const auto sent = link.ofTopic("st/a/role");
        return sent.isEmpty() ? QByteArray() : sent.last().payload;
    }
};

} // namespace

class TestPairRoles : public QObject
{
    Q_OBJECT
private slots:
    void takeOverRules_data()
    {
        QTest::addColumn<bool>("preferred");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("role");
        QTest::addColumn<bool>("partnerPreferred");
        QTest::addColumn<int>("silentSeconds"); // after start, with prompts heard before
        QTest::addColumn<bool>("claims");

        const QByteArray online = "online", offline = "offline", none;
        const QByteArray active = "active", standby = "standby";
        QTest::newRow("preferred, partner standby, a silent period")
            << true << online << standby << false << 10 << true;
        QTest::newRow("less than a period") << true << online << standby << false << 9 << false;
        QTest::newRow("partner active") << true << online << active << false << 40 << false;
        QTest::newRow("partner killed: offline, role still active")
            << false << offline << active << true << 10 << true;
        QTest::newRow("partner never ran") << false << none << none << false << 10 << true;
        QTest::newRow("not preferred: the first half minute is the preferred one's")
            << false << online << standby << true << 25 << false;
        QTest::newRow("not preferred, after the first half minute")
            << false << online << standby << true << 31 << true;
        QTest::newRow("both preferred") << true << offline << standby << true << 40 << false;
    }
    void takeOverRules()
    {
        QFETCH(bool, preferred);
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, role);
        QFETCH(bool, partnerPreferred);
        QFETCH(int, silentSeconds);
        QFETCH(bool, claims);
        Rig rig(preferred);
        rig.partner(status, role, partnerPreferred);
        rig.run(silentSeconds);
        QCOMPARE(rig.lastRole(), QByteArray(claims ? "active" : "standby"));
        QVERIFY(!rig.roles->writes()); // not before the broker has it
        QCOMPARE(rig.roles->takeOverOffered(), false == claims && partnerPreferred && preferred);
    }

    // Prompts heard: someone asks the modules; the standby stays so.
    void promptsKeepTheStandby()
    {
        Rig rig(true);
        rig.partner("offline", "standby");
        rig.run(30, true);
        QCOMPARE(rig.lastRole(), QByteArray("standby"));
        rig.run(10);
        QCOMPARE(rig.lastRole(), QByteArray("active"));
    }

    // "active" acknowledged before the first write; a lost connection in
    // between leaves the panel on standby.
    void writesOnlyOnceTheBrokerHasTheRole()
    {
        Rig rig(true);
        rig.partner("offline", "standby");
        QSignalSpy started(rig.roles.get(), &PairRoles::writingStarted);
        rig.run(10);
        QVERIFY(!rig.roles->writes());
        rig.link.setConnected(false);
        QVERIFY(!rig.roles->writes());
        QCOMPARE(rig.roles->role(), PairRoles::Role::Standby);
        rig.link.setConnected(true);
        rig.partner("offline", "standby");
        rig.run(1);
        rig.link.acknowledge();
        QVERIFY(rig.roles->writes());
        QCOMPARE(started.count(), 1);
        QVERIFY(rig.roles->activeText().startsWith(QStringLiteral("Активен: този панел")));
    }

    // An active panel steps down, and does not take the line again within a minute.
    void stepDown_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<bool>("stepsDown");
        QTest::newRow("hand-over") << "handOver" << true;
        QTest::newRow("port failed") << "port" << true;
        QTest::newRow("stopped, partner took over") << "stoppedTakenOver" << true;
        QTest::newRow("stopped, partner did not take over") << "stopped" << false;
        QTest::newRow("partner active too and preferred") << "rival" << true;
        QTest::newRow("partner back with the active of before its death") << "stale" << false;
    }
    void stepDown()
    {
        QFETCH(QString, cause);
        QFETCH(bool, stepsDown);
        Rig rig(false);
        rig.partner("offline", "standby");
        rig.run(11);
        rig.link.acknowledge();
        QVERIFY(rig.roles->writes());
        QSignalSpy stopped(rig.roles.get(), &PairRoles::writingStopped);
        if (cause == "handOver") {
            rig.roles->handOver();
        } else if (cause == "port") {
            rig.roles->portFailed();
        } else if (cause == "rival") {
            rig.partner("online", "active", true);
        } else if (cause == "stale") {
            emit rig.link.received("st/b/preferred", "true", true);
            emit rig.link.received("st/b/role", "active", true);
            emit rig.link.received("st/b/status", "online", false);
        } else {
            rig.mono.now += 40000;         // stopped for 40 s
            QVERIFY(!rig.roles->writes()); // before the first check after it, too
            rig.roles->check(rig.prompts);
            QVERIFY(!rig.roles->writes()); // nothing until the partner is read again
            if (cause == "stoppedTakenOver")
                rig.partner("online", "active");
            else
                rig.partner("offline", "standby");
        }
        QCOMPARE(rig.roles->writes(), !stepsDown);
        QCOMPARE(stopped.count(), stepsDown ? 1 : 0);
        if (!stepsDown)
            return;
        QCOMPARE(rig.lastRole(), QByteArray("standby"));
        rig.partner("offline", "standby");
        rig.run(59);
        QCOMPARE(rig.lastRole(), QByteArray("standby"));
        rig.run(2);
        QCOMPARE(rig.lastRole(), QByteArray("active"));
    }

    // Without the broker, or with a pair configured wrongly, the panel never
    // takes over by itself: once the line is silent the operator may.
    void operatorTakesOver_data()
    {
        QTest::addColumn<bool>("broker");
        QTest::addColumn<QStringList>("problems");
        QTest::newRow("no broker") << false << QStringList();
        QTest::newRow("broker down") << true << QStringList();
        QTest::newRow("pair configured wrongly") << true << QStringList{"partner missing"};
    }
    void operatorTakesOver()
    {
        QFETCH(bool, broker);
        QFETCH(QStringList, problems);
        Rig rig(true, problems, broker);
        if (broker && problems.isEmpty())
            rig.link.setConnected(false);
        rig.run(9);
        QVERIFY(!rig.roles->takeOverOffered());
        rig.run(60);
        QVERIFY(!rig.roles->writes());
        QVERIFY(rig.roles->takeOverOffered());
        QVERIFY(rig.roles->problem().contains(QStringLiteral("Няма активен панел")));
        rig.roles->takeOver();
        if (rig.link.isConnected())
            rig.link.acknowledge();
        QVERIFY(rig.roles->writes());
        QVERIFY(!rig.roles->takeOverOffered());
    }

    // The standby's lists of losses count only while the partner asks.
    void silenceIsLossOnlyWhileThePartnerAsks()
    {
        Rig rig(false);
        QVERIFY(!rig.roles->silenceIsLoss());
        rig.partner("online", "active");
        QVERIFY(rig.roles->silenceIsLoss());
        rig.partner("offline", "active");
        QVERIFY(!rig.roles->silenceIsLoss());
    }
};

QTEST_GUILESS_MAIN(TestPairRoles)
#include "tst_pairroles.moc"

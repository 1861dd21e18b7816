// The panel's own framing, start-up exchange and decoder talking to the
// simulated modules through in-memory lines.

#include "core/Addressing.h"
#include "events/MessageDecoder.h"
#include "link/ReceiveFramer.h"
#include "link/StartupExchange.h"
#include "modsim/ModuleSimulator.h"
#include "support/EngineFixture.h"

#include <QTest>

using namespace zelvan;
using namespace zelvan::modsim;

namespace {

class Station
{
public:
    explicit Station(Topology topology = Topology::Hub) : sim(topology)
    {
        if (topology == Topology::Direct) {
            // Only modules 1 and 2 can be wired without a hub.
            f.state.HubMode = QStringLiteral("N");
            for (int m = 3; m <= kModuleCount; ++m)
                f.state.ModuleEnabled[size_t(m)] = false;
        }
        framer.setStartupHandler(
            [this](const QString& l, int m) { startup.HandleStartupLine(l, m); });
        framer.setMessageHandler(
            [this](const QString& l, int m) { decoder.HandleModuleMessage(l, m); });
        QObject::connect(&sim, &ModuleSimulator::output, [this](int line, const QByteArray& bytes) {
            if (line == 1)
                framer.receivePort1(bytes);
            else
                framer.receivePort2(bytes);
        });
    }

    // Carries the panel's commands to the modules, and lets the simulator's
    // clock run, until both sides are quiet.
    void settle()
    {
        for (int round = 0; round < 10000; ++round) {
            const QByteArray a = f.takeWritten(1);
            const QByteArray b = f.takeWritten(2);
            if (!a.isEmpty() || !b.isEmpty()) {
                sent += a + b;
                sim.receive(1, a);
                sim.receive(2, b);
            } else if (const auto next = sim.msUntilNextAction()) {
                sim.advance(*next);
            } else {
                return;
            }
        }
        QFAIL("the exchange did not come to rest");
    }

    void startAll()
    {
        f.commands.TstMdl();
        settle();
        startup.StartMdl();
        settle();
    }

    test::EngineFixture f;
    ModuleSimulator sim;
    ReceiveFramer framer{f.state};
    StartupExchange startup{f.context()};
    MessageDecoder decoder{f.context()};
    QByteArray sent;
};

} // namespace

class TestPanelStartup : public QObject
{
    Q_OBJECT
private slots:
    void everyModuleStartsFromTheSimulator_data()
    {
        QTest::addColumn<int>("topology");
        QTest::addColumn<QList<int>>("started");
        QTest::newRow("hub") << int(Topology::Hub) << QList<int>{1, 2, 3, 4, 5, 6, 7, 8};
        QTest::newRow("direct") << int(Topology::Direct) << QList<int>{1, 2};
    }
    void everyModuleStartsFromTheSimulator()
    {
        QFETCH(int, topology);
        QFETCH(QList<int>, started);
        Station st(static_cast<Topology>(topology));
        for (int m : started) {
            st.sim.module(m).setGroups("YYNNYYNN");
            SimulatedObject& o = st.sim.module(m).object(m);
            o.balance = 100 + m;
            o.zone = 3;
            o.time = 12;
            QVERIFY(st.sim.presetState(m, 5, 'P'));
            QVERIFY(st.sim.presetState(m, 6, 'A'));
            QVERIFY(st.sim.presetState(m, 7, 'T'));
        }
        st.startAll();

        for (int m = 1; m <= kModuleCount; ++m)
            QCOMPARE(st.f.state.ModuleStarted[size_t(m)], started.contains(m));
        QCOMPARE(st.f.state.StartupModule, qint16(0));
        QVERIFY(st.f.screen.mainVisible());
        for (int m : started) {
            const size_t k = size_t(globalIndex(m, m));
            QCOMPARE(st.f.state.ObjParamA[k], qint16(100 + m));
            QCOMPARE(st.f.state.ObjParamB[k], qint16(3));
            QCOMPARE(st.f.state.ObjParamC[k], qint16(12));
            QCOMPARE(st.f.state.ObjState[size_t(globalIndex(m, 5))], qint16(Taken));
            QCOMPARE(st.f.state.ObjState[size_t(globalIndex(m, 6))], qint16(Violated));
            QCOMPARE(st.f.state.ObjState[size_t(globalIndex(m, 7))], qint16(TakeRequested));
            QCOMPARE(st.f.state.ObjInstalled[size_t(globalIndex(m, 32))], qint16(-1));
            QCOMPARE(st.f.state.ObjInstalled[size_t(globalIndex(m, 33))], qint16(0));
            QCOMPARE(st.f.state.ObjInstalled[size_t(globalIndex(m, 65))], qint16(-1));
            QVERIFY(st.f.state.ModuleVersionText[size_t(m)].endsWith(
                QStringLiteral("Address %1").arg(m)));
        }
        QCOMPARE(st.f.alarms.count(), started.size()); // one violation line per module
    }

    void damagedDumpIsAskedForAgain()
    {
        Station st;
        QVERIFY(st.sim.damageNextDump(3));
        st.startAll();
        QCOMPARE(st.sent.count("}3mon\rRB600,100\r"), 2);
        QVERIFY(st.f.state.ModuleStarted[3]);
        QCOMPARE(st.f.state.ObjParamA[size_t(globalIndex(3, 1))], qint16(120));
    }

    void silentModuleAnswersNoProbe()
    {
        // The exchange of a silent module stalls until the supervision gives up
        // on it; every module before it is started.
        Station st;
        QVERIFY(st.sim.silence(5));
        st.sim.module(3).setPresent(false);
        st.f.state.ModuleWasAnswering[3] = false;
        st.startAll();
        QVERIFY(!st.f.state.ModuleAnswered[3]);
        QVERIFY(!st.f.state.ModuleAnswered[5]);
        QVERIFY(st.f.state.ModuleAnswered[6]);
        for (int m : {1, 2, 4})
            QVERIFY(st.f.state.ModuleStarted[size_t(m)]);
        for (int m : {3, 5, 6})
            QVERIFY(!st.f.state.ModuleStarted[size_t(m)]);
        QVERIFY(st.sent.endsWith("}5Ver\r\r"));
    }

    void commandsAndEventsReachTheState()
    {
        Station st;
        st.startAll();
        QVERIFY(st.sim.violate(2, 7));
        QCOMPARE(st.f.state.ObjState[size_t(globalIndex(2, 7))], qint16(Violated));
        st.f.commands.SendToModule(QStringLiteral("P7\r"), 2);
        st.settle();
        QCOMPARE(st.f.state.ObjState[size_t(globalIndex(2, 7))], qint16(Taken));
        QVERIFY(st.sim.release(2, 7));
        QCOMPARE(st.f.state.ObjState[size_t(globalIndex(2, 7))], qint16(Released));
        // The day file holds the guard-state events in the order sent: object
        // 135 (module 2, object 7) violated (65), taken (80), released (79) at
        // the panel's noon (day fraction 500000).
        const QByteArrayList records = st.f.dayFileLines();
        QVERIFY(records.size() >= 3);
        QCOMPARE(records.mid(records.size() - 3),
                 (QByteArrayList{"013565500000", "013580500000", "013579500000"}));
    }
};

QTEST_GUILESS_MAIN(TestPanelStartup)
#include "tst_panelstartup.moc"

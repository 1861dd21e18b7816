// The whole station against the simulated hub and eight modules, through the
// fake lines and the settable clock.
#include "app/Station.h"
#include "core/Labels.h"
#include "events/DayArchive.h"
#include "modsim/ModuleSimulator.h"
#include "support/Fakes.h"
#include "support/SimulatorBridge.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvan;
using namespace zelvan::test;

namespace {

struct Rig
{
    QTemporaryDir home;
    FakeClock clock;
    CountingBeeper beeper;
    FakeSerialLine port1;
    FakeSerialLine port2;
    modsim::ModuleSimulator sim;
    Station station{clock, beeper, port1, port2, home.path()};
    SimulatorBridge bridge{sim, port1, port2};

    bool start()
    {
        if (!station.load().ok)
            return false;
        bridge.settle();
        return true;
    }
    // One supervision tick, ten seconds after the last.
    void tick()
    {
        clock.advanceMs(10000);
        station.tick();
        bridge.advance(1000);
    }
    StationState& state() { return station.state(); }
    QByteArrayList records()
    {
        QFile f(station.archive().dayFilePath(clock.now().date()));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QByteArrayList lines = f.readAll().split('\n');
        lines.removeAll(QByteArray());
        for (QByteArray& l : lines)
            l.chop(1); // CR
        return lines;
    }
    // Records of one letter, as "kkkk" (object) or the module digit (module records).
    QByteArrayList recordsOf(char letter)
    {
        const QByteArray code = QByteArray::number(int(letter));
        QByteArrayList out;
        for (const QByteArray& r : records()) {
            if (r.mid(4, 2) == code)
                out << (r.startsWith("0000") && r.size() == 13 ? r.right(1) : r.left(4));
        }
        return out;
    }
};

} // namespace

class TestStationModules : public QObject
{
    Q_OBJECT
private slots:
    void eightModulesComeOnLine()
    {
        Rig r;
        r.sim.presetState(1, 3, 'P');
        r.sim.presetState(2, 128, 'T');
        r.sim.presetState(3, 5, 'A');
        r.sim.module(6).setGroups("YYNNYYNN");
        QVERIFY(r.start());

        QVERIFY(r.station.screen().mainVisible());
        QVERIFY(!r.station.screen().splash().visible);
        QVERIFY(!r.state().FirstStartPending);
        for (int m = 1; m <= 8; ++m)
            QVERIFY2(r.state().ModuleStarted[size_t(m)], qPrintable(QString::number(m)));
        QCOMPARE(r.state().StartupModule, qint16(0));
        QCOMPARE(r.state().ObjState[3], qint16(Taken));
        QCOMPARE(r.state().ObjState[256], qint16(TakeRequested));
        QCOMPARE(r.state().ObjState[261], qint16(Violated));
        QCOMPARE(r.state().ObjInstalled[640 + 33], qint16(0));  // module 6, group 2
        QCOMPARE(r.state().ObjInstalled[640 + 65], qint16(-1)); // module 6, group 4
        QCOMPARE(r.state().ObjParamA[1], qint16(r.sim.module(1).object(1).balance));
        QCOMPARE(r.state().ObjParamB[1], qint16(r.sim.module(1).object(1).zone));
        QCOMPARE(r.state().ObjParamC[1], qint16(r.sim.module(1).object(1).time));
        for (int m = 1; m <= 8; ++m)
            QVERIFY(!r.sim.module(m).monitorMode()); // NOMON reached every module

        QCOMPARE(r.recordsOf('S'), (QByteArrayList{"1", "2", "3", "4", "5", "6", "7", "8"}));
        QCOMPARE(r.recordsOf('P'), QByteArrayList{"0003"});
        QCOMPARE(r.recordsOf('A'), QByteArrayList{"0261"});
        // In exchange order: module 1 started, its taken object, module 2, ...
        const QByteArrayList all = r.records();
        QCOMPARE(all.size(), 10);
        QVERIFY(all[1].startsWith("000380"));
        QVERIFY(all[4].startsWith("026165"));
        QCOMPARE(r.station.alarms().count(), 1);
        QVERIFY(r.station.alarms().line(0).startsWith(FormatObjectLabel(r.state(), 261)));
    }

    void violationArrivesAndIsArchived()
    {
        Rig r;
        QVERIFY(r.start());
        const int before = r.records().size();
        r.clock.advanceMs(2000);
        QVERIFY(r.sim.violate(2, 7));
        r.bridge.settle();
        QCOMPARE(r.state().ObjState[135], qint16(Violated));
        QCOMPARE(r.records().size(), before + 1);
        QVERIFY(r.records().last().startsWith("013565"));
        QCOMPARE(r.station.alarms().count(), 1);
        QVERIFY(r.station.events()
                    .line(r.station.events().count() - 1)
                    .startsWith(QStringLiteral("H 12:00:02")));
        // The module reports it released: the violation leaves the list.
        QVERIFY(r.sim.release(2, 7));
        r.bridge.settle();
        QCOMPARE(r.station.alarms().count(), 0);
        QVERIFY(r.records().last().startsWith("013579"));
    }

    void moduleFallsSilentAndReturns()
    {
        Rig r;
        r.sim.presetState(5, 10, 'P');
        r.sim.presetState(5, 99, 'A');
        QVERIFY(r.start());
        r.tick();
        QVERIFY(!r.station.screen().linkLost().visible);

        QVERIFY(r.sim.silence(5));
        r.tick(); // the prompt of the previous probe still counts
        QVERIFY(r.recordsOf('V').isEmpty());
        r.tick();
        QVERIFY(r.station.screen().linkLost().visible);
        QCOMPARE(r.station.screen().linkLost().text,
                 QStringLiteral("Комуникацията с  модул\r5 е прекъсната!"));
        QCOMPARE(r.recordsOf('V'), QByteArrayList{"5"});
        QVERIFY(!r.state().ModuleStarted[5]);
        QCOMPARE(r.state().ObjInstalled[512 + 1], qint16(0));
        QFile saved(r.state().DataDir + QStringLiteral("/Mdl_5.dat"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().endsWith("\r\nP10\r\nP99\r\n"));
        r.tick();
        QCOMPARE(r.recordsOf('V'), QByteArrayList{"5"}); // recorded once per silent spell

        QVERIFY(r.sim.revive(5));
        r.tick(); // answers the probe of this tick
        r.tick(); // returning: asked for its version, exchange runs again
        QVERIFY(!r.station.screen().linkLost().visible);
        QVERIFY(r.state().ModuleStarted[5]);
        QCOMPARE(r.state().ObjInstalled[512 + 1], qint16(-1));
        QCOMPARE(r.recordsOf('S').count("5"), 2);
        QVERIFY(!r.station.screen().splash().visible);
    }

    void silentModuleAtStartIsPassedOver()
    {
        Rig r;
        QVERIFY(r.sim.silence(3));
        QVERIFY(r.start());
        QVERIFY(!r.station.screen().mainVisible()); // waiting for module 3's reply
        QVERIFY(r.state().ModuleStarted[2]);
        r.tick();
        QVERIFY(r.station.screen().mainVisible());
        QVERIFY(r.station.screen().linkLost().visible);
        for (int m : {1, 2, 4, 5, 6, 7, 8})
            QVERIFY(r.state().ModuleStarted[size_t(m)]);
        QVERIFY(!r.state().ModuleStarted[3]);

        QVERIFY(r.sim.revive(3));
        r.tick();
        r.tick();
        QVERIFY(r.state().ModuleStarted[3]);
        QVERIFY(!r.station.screen().linkLost().visible);
    }

    void damagedDumpIsAskedAgain()
    {
        Rig r;
        QVERIFY(r.sim.damageNextDump(1));
        QVERIFY(r.start());
        QVERIFY(r.station.screen().mainVisible());
        QVERIFY(r.state().ModuleStarted[1]);
    }

    void moduleRestartRunsTheExchangeAgain()
    {
        Rig r;
        QVERIFY(r.start());
        r.sim.presetState(4, 2, 'P');
        QVERIFY(r.sim.restart(4));
        r.bridge.settle();
        QVERIFY(r.state().ModuleStarted[4]);
        QCOMPARE(r.state().ObjState[386], qint16(Taken));
        QCOMPARE(r.recordsOf('S').count("4"), 2);
        QVERIFY(!r.station.screen().splash().visible);
    }
};

QTEST_GUILESS_MAIN(TestStationModules)
#include "tst_station_modules.moc"

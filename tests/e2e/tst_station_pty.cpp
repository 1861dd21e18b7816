// The station over the real QSerialPort line against the simulated hub on a
// pseudo-terminal, as in the field: every module started, the day file
// written, a module silenced and revived.
#include "app/Station.h"
#include "events/DayArchive.h"
#include "modsim/ModuleSimulator.h"
#include "modsim/PtyLink.h"
#include "platform/SerialPortLine.h"
#include "support/Fakes.h"
#include "support/ModulesOnPty.h"
#include "support/StationIni.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvan;
using namespace zelvan::test;

namespace {

constexpr int kWaitMs = 20000;

QByteArrayList dayRecords(Station& station, const QDate& date)
{
    QFile f(station.archive().dayFilePath(date));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArrayList lines = f.readAll().split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

} // namespace

class TestStationPty : public QObject
{
    Q_OBJECT
private slots:
    void stationOnPseudoTerminal()
    {
        QTemporaryDir home;
        modsim::ModuleSimulator sim;
        modsim::PtyLink link;
        QString error;
        const QString linkPath = home.filePath(QStringLiteral("modules"));
        QVERIFY2(playModulesOnPty(sim, link, linkPath, &error), qPrintable(error));
        sim.presetState(2, 4, 'P');
        QVERIFY(writeStationIni(home.path(), linkPath));

        FakeClock clock;
        CountingBeeper beeper;
        SerialPortLine port1;
        SerialPortLine port2;
        Station station(clock, beeper, port1, port2, home.path());
        QVERIFY(station.load().ok);
        QVERIFY(port1.isOpen());
        QVERIFY(!port2.isOpen());
        station.tickTimer().stop(); // the test ticks by itself

        QTRY_VERIFY_WITH_TIMEOUT(station.screen().mainVisible(), kWaitMs);
        for (int m = 1; m <= 8; ++m)
            QVERIFY(station.state().ModuleStarted[size_t(m)]);
        QCOMPARE(station.state().ObjState[132], qint16(Taken));
        QByteArrayList records = dayRecords(station, clock.now().date());
        QCOMPARE(records.size(), 9); // eight starts and the taken object
        QVERIFY(records[2].startsWith("013280"));

        QVERIFY(sim.violate(7, 100));
        QTRY_COMPARE_WITH_TIMEOUT(station.alarms().count(), 1, kWaitMs);
        records = dayRecords(station, clock.now().date());
        QVERIFY(records.last().startsWith("086865"));

        // Module 6 falls silent: lost at the second tick, back two ticks after it answers.
        QVERIFY(sim.silence(6));
        station.tick();
        QTRY_VERIFY_WITH_TIMEOUT(station.state().ModuleAnswered[8], kWaitMs); // probe answered
        station.tick();
        QVERIFY(station.screen().linkLost().visible);
        QVERIFY(!station.state().ModuleStarted[6]);
        QVERIFY(dayRecords(station, clock.now().date()).last().startsWith("000086"));
        QVERIFY(sim.revive(6));
        QTRY_VERIFY_WITH_TIMEOUT(station.state().ModuleAnswered[8], kWaitMs);
        station.tick();
        QTRY_VERIFY_WITH_TIMEOUT(station.state().ModuleAnswered[6], kWaitMs);
        station.tick();
        QTRY_VERIFY_WITH_TIMEOUT(station.state().ModuleStarted[6], kWaitMs);
        QVERIFY(!station.screen().linkLost().visible);
    }
};

QTEST_GUILESS_MAIN(TestStationPty)
#include "tst_station_pty.moc"

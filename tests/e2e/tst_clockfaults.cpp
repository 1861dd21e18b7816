// The station's clock stepped while the modules report through the simulated
// hub: back an hour, forward a day, and both across midnight. Every record goes
// into the day file of the clock's date at the moment it is written, nothing is
// lost or repeated, and the supervision tick and the start-up watchdog keep
// working on the stepped clock.
#include "app/Station.h"
#include "core/Clock.h"
#include "events/DayArchive.h"
#include "modsim/ModuleSimulator.h"
#include "modsim/RandomTraffic.h"
#include "support/Fakes.h"
#include "support/SimulatorBridge.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvan;
using namespace zelvan::test;

namespace {

constexpr qint64 kStepMs = 100;
constexpr qint64 kTickMs = 10000;

// "kkkkcc": the object and letter code of an object record.
QByteArray recordKey(int k, char letter)
{
    return QByteArray::number(k).rightJustified(4, '0') + QByteArray::number(int(letter));
}

struct Rig
{
    QTemporaryDir home;
    FakeClock clock;
    CountingBeeper beeper;
    FakeSerialLine port1;
    FakeSerialLine port2;
    modsim::ModuleSimulator sim;
    modsim::RandomTraffic traffic{sim};
    Station station{clock, beeper, port1, port2, home.path()};
    SimulatorBridge bridge{sim, port1, port2};
    // What the panel must archive, in order: every guard-state message and the
    // taken and violated objects of every state dump it reads.
    QByteArrayList expected;
    qint64 sinceTick = 0;

    explicit Rig(const QDateTime& start)
    {
        clock.set(start);
        QObject::connect(&sim, &modsim::ModuleSimulator::guardEventSent,
                         [this](const modsim::GuardEvent& e) {
                             expected << recordKey((e.module - 1) * 128 + e.object, e.record);
                         });
        QObject::connect(&sim, &modsim::ModuleSimulator::stateDumpSent,
                         [this](int m, const QByteArray& letters) {
                             for (int j = 0; j < letters.size(); ++j) {
                                 if (letters[j] == 'P' || letters[j] == 'A')
                                     expected << recordKey((m - 1) * 128 + j + 1, letters[j]);
                             }
                         });
    }

    bool start()
    {
        if (!station.load().ok)
            return false;
        bridge.settle();
        return true;
    }
    // ms of station life: the clock and the simulator move together in steps
    // of 100 ms, with a supervision tick every ten seconds.
    void run(qint64 ms)
    {
        for (qint64 done = 0; done < ms; done += kStepMs) {
            clock.advanceMs(kStepMs);
            bridge.advance(kStepMs);
            sinceTick += kStepMs;
            if (sinceTick >= kTickMs) {
                sinceTick = 0;
                station.tick();
                bridge.settle();
            }
        }
    }
    StationState& state() { return station.state(); }

    QByteArrayList lines(const QDate& day)
    {
        QFile f(station.archive().dayFilePath(day));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QByteArrayList out = f.readAll().split('\n');
        out.removeAll(QByteArray());
        for (QByteArray& l : out)
            l.chop(1); // CR
        return out;
    }
    // "kkkkcc" of the object records of a day file, in order.
    QByteArrayList objectRecords(const QDate& day)
    {
        QByteArrayList out;
        for (const QByteArray& l : lines(day)) {
            if (l.size() == 12 && !l.startsWith("0000"))
                out << l.left(6);
        }
        return out;
    }
    // Module digits of the module records of one letter in a day file.
    QByteArrayList moduleRecords(const QDate& day, char letter)
    {
        QByteArrayList out;
        for (const QByteArray& l : lines(day)) {
            if (l.size() == 13 && l.startsWith("0000")
                && l.mid(4, 2) == QByteArray::number(int(letter)))
                out << l.right(1);
        }
        return out;
    }
    // The day fraction of the last record of a day file, in millionths.
    int lastFraction(const QDate& day) { return lines(day).constLast().mid(6, 6).toInt(); }
};

} // namespace

class TestClockFaults : public QObject
{
    Q_OBJECT
    static void stepRows()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<qint64>("stepSeconds");

        const QDate d(2026, 12, 8);
        QTest::newRow("back an hour") << QDateTime(d, QTime(12, 0)) << qint64(-3600);
        QTest::newRow("forward a day") << QDateTime(d, QTime(12, 0)) << qint64(86400);
        QTest::newRow("back an hour across midnight")
            << QDateTime(d, QTime(0, 20)) << qint64(-3600);
        QTest::newRow("forward a day across a month")
            << QDateTime(QDate(2026, 11, 30), QTime(23, 0)) << qint64(86400);
    }

private slots:
    void recordsFollowTheClock_data() { stepRows(); }
    // Records before the step are in the day file of the date before it, those
    // after in the file of the date after it, in order, each once.
    void recordsFollowTheClock()
    {
        QFETCH(QDateTime, start);
        QFETCH(qint64, stepSeconds);
        Rig r(start);
        r.sim.presetState(3, 7, 'P'); // the first dumps give records too
        r.sim.presetState(5, 40, 'A');
        QVERIFY(r.start());
        r.traffic.start(200, 7);
        r.run(25000);
        const QDate before = r.clock.now().date();
        const qsizetype archivedBefore = r.expected.size();
        QCOMPARE(r.objectRecords(before), r.expected);

        r.clock.set(r.clock.now().addSecs(stepSeconds));
        const QDateTime stepped = r.clock.now();
        r.run(25000);
        r.traffic.stop();
        const QDate after = stepped.date();
        QVERIFY(r.expected.size() > archivedBefore + 1000);

        QByteArrayList archived = r.objectRecords(before);
        if (after != before)
            archived += r.objectRecords(after);
        QCOMPARE(archived.size(), r.expected.size());
        QCOMPARE(archived, r.expected);
        if (after != before)
            QCOMPARE(r.objectRecords(before).size(), archivedBefore);
        // The records after the step carry the time of the stepped clock.
        const int last = r.lastFraction(after);
        const int expectedLast =
            int(std::llround(secondsSinceMidnight(r.clock.now()) * 1e6 / 86400.0));
        QVERIFY2(std::abs(last - expectedLast) <= 3,
                 qPrintable(QStringLiteral("%1 %2").arg(last).arg(expectedLast)));
    }

    // Across the step a module that falls silent is still found lost at the
    // second tick, recorded in the day file of the clock's date, and started
    // again when it answers; a start-up exchange that stalled before the step
    // is still abandoned and run again.
    void supervisionAndWatchdogAcrossStep_data() { stepRows(); }
    void supervisionAndWatchdogAcrossStep()
    {
        QFETCH(QDateTime, start);
        QFETCH(qint64, stepSeconds);
        Rig r(start);
        QVERIFY(r.start());
        r.traffic.start(50, 3);
        r.run(15000);
        // Module 6's exchange stalls: it began (its group line came) but no
        // dump followed, while the module goes on answering the probes.
        r.state().ModuleStarted[6] = false;
        r.state().StartupModule = 6;
        r.state().StartupTime = float(secondsSinceMidnight(r.clock.now()));
        const QDate startDay = r.clock.now().date();

        r.clock.set(r.clock.now().addSecs(stepSeconds));
        const QDate day = r.clock.now().date();
        // The start-ups from here on (the file may be the one of the first ones).
        const qsizetype startsBefore = r.moduleRecords(day, 'S').size();
        const auto startsSince = [&]() { return r.moduleRecords(day, 'S').mid(startsBefore); };
        QVERIFY(r.sim.silence(7));
        r.run(4 * kTickMs);
        QCOMPARE(r.moduleRecords(day, 'V'), QByteArrayList{"7"});
        QVERIFY(!r.state().ModuleStarted[7]);
        QVERIFY(r.station.screen().linkLost().visible);
        QCOMPARE(r.state().StartupModule, qint16(0));
        QVERIFY(r.state().ModuleStarted[6]);
        QCOMPARE(startsSince(), QByteArrayList{"6"});

        QVERIFY(r.sim.revive(7));
        r.run(3 * kTickMs);
        QVERIFY(r.state().ModuleStarted[7]);
        QCOMPARE(startsSince(), (QByteArrayList{"6", "7"}));
        QVERIFY(!r.station.screen().linkLost().visible);

        r.traffic.stop();
        QByteArrayList archived = r.objectRecords(startDay);
        if (day != startDay)
            archived += r.objectRecords(day);
        QCOMPARE(archived, r.expected);
    }
};

QTEST_GUILESS_MAIN(TestClockFaults)
#include "tst_clockfaults.moc"

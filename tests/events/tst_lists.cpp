#include "core/Addressing.h"
#include "core/StationState.h"
#include "events/AlarmList.h"
#include "events/EventList.h"
#include "panel/ObjectGrid.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace zelvan;

namespace {

const QDateTime kNoon(QDate(2026, 12, 7), QTime(12, 0));

QStringList numbered(int from, int to)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << QStringLiteral("O 12:00:00 %1").arg(i);
    return out;
}

} // namespace

class TestLists : public QObject
{
    Q_OBJECT
private slots:
    void eventTrim_data()
    {
        QTest::addColumn<int>("posted");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("256 lines, nothing removed") << 256 << numbered(1, 256);
        QTest::newRow("257 lines, nothing removed") << 257 << numbered(1, 257);
        QTest::newRow("258th pushes out the first") << 258 << numbered(2, 258);
        QTest::newRow("300 keep the newest 257") << 300 << numbered(44, 300);
    }
    void eventTrim()
    {
        QFETCH(int, posted);
        QFETCH(QStringList, expected);
        EventList events;
        for (int i = 1; i <= posted; ++i)
            events.PostEvent(QStringLiteral("O "), kNoon, QString::number(i));
        QCOMPARE(events.lines(), expected);
        QCOMPARE(events.rowCount(), expected.size());
        QCOMPARE(events.selected(), expected.size() - 1);
    }

    void alarmRemoval_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("remaining");
        QTest::addColumn<int>("selected");

        QTest::newRow("duplicates removed together")
            << QStringList{"  3-005  A", "  3-006  B", "  3-005  A"} << "  3-005"
            << QStringList{"  3-006  B"} << 0;
        QTest::newRow("name changed since the violation")
            << QStringList{"  3-005  Old name", "  3-005  New name"} << "  3-005" << QStringList{}
            << -1;
        QTest::newRow("same object number of another module kept")
            << QStringList{"  3-005  A", "  4-005  A"} << "  3-005" << QStringList{"  4-005  A"}
            << 0;
        QTest::newRow("nothing to remove selects the last line")
            << QStringList{"  1-001  A", "  1-002  B"} << "  1-003"
            << QStringList{"  1-001  A", "  1-002  B"} << 1;
        QTest::newRow("empty label removes nothing")
            << QStringList{"  1-001  A"} << "" << QStringList{"  1-001  A"} << 0;
    }
    void alarmRemoval()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, label);
        QFETCH(QStringList, remaining);
        QFETCH(int, selected);
        AlarmList alarms;
        for (const QString& line : lines)
            alarms.addViolation(line);
        alarms.select(0);
        alarms.removeObject(label);
        QCOMPARE(alarms.lines(), remaining);
        QCOMPARE(alarms.selected(), selected);
    }

    // The violations list against a plain list of lines: runaway repeats,
    // neighbours of different objects, renamed objects, releases and module
    // restarts in a random mix, enough removals to drop removed runs from its
    // tables several times. The rows, the row signals (checked by
    // QAbstractItemModelTester) and the selection must match at every step.
    void alarmListMatchesAPlainList_data()
    {
        QTest::addColumn<int>("objects"); // distinct objects in the traffic
        QTest::addColumn<int>("repeat");  // up to this many repeats of one line in a row
        QTest::newRow("runaway of a few objects") << 3 << 50;
        QTest::newRow("many objects interleaved") << 300 << 1;
        QTest::newRow("mixed") << 40 << 5;
    }
    void alarmListMatchesAPlainList()
    {
        QFETCH(int, objects);
        QFETCH(int, repeat);
        AlarmList alarms;
        QAbstractItemModelTester tester(&alarms,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QStringList plain;
        QRandomGenerator random(objects * 1000 + repeat);
        const auto label = [](int k) {
            return QStringLiteral("  %1-%2")
                .arg((k - 1) / 128 + 1)
                .arg((k - 1) % 128 + 1, 3, 10, QLatin1Char('0'));
        };
        for (int step = 0; step < 4000; ++step) {
            const int k = random.bounded(objects) + 1;
            const int action = random.bounded(10);
            if (action < 7) {
                const QString line = label(k)
                                     + (random.bounded(20) == 0 ? QStringLiteral("  new name")
                                                                : QStringLiteral("  name"));
                for (int n = random.bounded(repeat) + 1; n > 0; --n) {
                    alarms.addViolation(line);
                    plain.append(line);
                }
            } else if (action < 9) {
                alarms.removeObject(label(k));
                plain.removeIf([&](const QString& l) { return l.startsWith(label(k)); });
            } else {
                const int m = (k - 1) / 128 + 1;
                alarms.removeModule(m);
                plain.removeIf([&](const QString& l) { return l.mid(2, 1).toInt() == m; });
            }
            QCOMPARE(alarms.count(), plain.size());
            QCOMPARE(alarms.selected(), plain.size() - 1);
            if (step % 97 == 0)
                QCOMPARE(alarms.lines(), plain);
        }
        QCOMPARE(alarms.lines(), plain);
        QCOMPARE(alarms.line(-1), QString());
        QCOMPARE(alarms.line(alarms.count()), QString());
    }

    void alarmRemoveModule()
    {
        AlarmList alarms;
        for (const char* line : {" 03-001  A", " 02-001  B", " 03-128  C"})
            alarms.addViolation(QString::fromUtf8(line));
        alarms.removeModule(3);
        QCOMPARE(alarms.lines(), QStringList{" 02-001  B"});
    }

    void paintPage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("k");
        QTest::newRow("page 9 first button") << 9 << 0 << "65" << 193;
        QTest::newRow("page 9 last button") << 9 << 63 << "128" << 256;
        QTest::newRow("page 0 first button") << 0 << 0 << "1" << 1;
        QTest::newRow("page 15 last button") << 15 << 63 << "128" << 1024;
    }
    void paintPage()
    {
        QFETCH(int, page);
        QFETCH(int, button);
        QFETCH(QString, caption);
        QFETCH(int, k);
        StationState state;
        state.PageBase = qint16(pageBaseOf(page));
        state.ObjState[size_t(k)] = TakeRequested;
        state.ObjColor[size_t(k)] = 255;
        state.ObjInstalled[size_t(k)] = -1;
        ObjectGrid grid(state);
        QSignalSpy painted(&grid, &ObjectGrid::pagePainted);
        grid.paintPage();
        QCOMPARE(painted.count(), 1);
        const ObjectGrid::Button& b = grid.button(button);
        QCOMPARE(b.caption, caption);
        QCOMPARE(b.picture, 3);
        QCOMPARE(b.color, 255);
        QVERIFY(b.enabled);
        QVERIFY(!grid.button(button == 0 ? 1 : 0).enabled);
    }

    void unknownStateShowsReleased()
    {
        StationState state;
        state.ObjState[1] = 7;
        ObjectGrid grid(state);
        grid.paintPage();
        QCOMPARE(grid.button(0).picture, 0);
    }
};

QTEST_GUILESS_MAIN(TestLists)
#include "tst_lists.moc"

#include "core/Addressing.h"
#include "core/Clock.h"
#include "events/MessageDecoder.h"
#include "link/ReceiveFramer.h"
#include "support/EngineFixture.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace zelvan;
using test::EngineFixture;

namespace {

QStringList prefixes(const EventList& events)
{
    QStringList out;
    for (const QString& line : events.lines())
        out << line.left(2);
    return out;
}

} // namespace

class TestDecoder : public QObject
{
    Q_OBJECT
private slots:
    // A clock that moves on at every reading, across midnight: the list line
    // and the day record of one event share one reading, so a violation shown
    // at 23:59:59 is archived in that day's file, not the next one's.
    void lineAndRecordShareOneReadingOfTheClock_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("code");
        QTest::newRow("violated") << "#A5"
                                  << "H";
        QTest::newRow("taken") << "#P5"
                               << "П";
        QTest::newRow("released") << "O5"
                                  << "O";
    }
    void lineAndRecordShareOneReadingOfTheClock()
    {
        QFETCH(QString, message);
        QFETCH(QString, code);
        struct SteppingClock : Clock
        {
            mutable QDateTime t{QDate(2026, 12, 7), QTime(23, 59, 59, 999)};
            QDateTime now() const override
            {
                const QDateTime reading = t;
                t = t.addMSecs(1);
                return reading;
            }
        } clock;
        EngineFixture f;
        StationContext ctx{f.state,  clock,  f.beeper,   f.files, f.archive, f.alarms,
                           f.events, f.grid, f.commands, f.panel, f.screen};
        MessageDecoder decoder(ctx);
        decoder.HandleModuleMessage(message, 1);
        QCOMPARE(f.events.line(f.events.count() - 1).left(10), code + QStringLiteral(" 23:59:59"));
        QVERIFY(QFileInfo::exists(f.archive.dayFilePath(QDate(2026, 12, 7))));
        QVERIFY(!QFileInfo::exists(f.archive.dayFilePath(QDate(2026, 12, 8))));
    }

    // Every row sends its messages, in order, from one module; the object
    // watched is k. Records are the day-file lines at 12:00:00.
    void dispatch_data()
    {
        QTest::addColumn<int>("module");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("state");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<int>("alarms");
        QTest::addColumn<QByteArrayList>("records");
        QTest::addColumn<int>("ignored");

        QTest::newRow("release from module 2 is object 133")
            << 2 << QStringList{"O5"} << 133 << 0 << QStringList{"O "} << 0
            << QByteArrayList{"013379500000"} << 0;
        QTest::newRow("#O is a release") << 2 << QStringList{"#O5"} << 133 << 0 << QStringList{"O "}
                                         << 0 << QByteArrayList{"013379500000"} << 0;
        QTest::newRow("lower case letters alike")
            << 2 << QStringList{"#a5", "o5"} << 133 << 0 << QStringList{"H ", "O "} << 0
            << QByteArrayList{"013365500000", "013379500000"} << 0;
        QTest::newRow("violation") << 3 << QStringList{"#A5"} << 261 << 2 << QStringList{"H "} << 1
                                   << QByteArrayList{"026165500000"} << 0;
        QTest::newRow("taken") << 1 << QStringList{"#P128"} << 128 << 1 << QStringList{"П "} << 0
                               << QByteArrayList{"012880500000"} << 0;
        QTest::newRow("take acknowledgement: no event, no record, line removed")
            << 3 << QStringList{"#A5", "P5"} << 261 << 3 << QStringList{"H "} << 0
            << QByteArrayList{"026165500000"} << 0;
        QTest::newRow("taken removes the violation line")
            << 3 << QStringList{"#A5", "#P5"} << 261 << 1 << QStringList{"H ", "П "} << 0
            << QByteArrayList{"026165500000", "026180500000"} << 0;
        QTest::newRow("two violations, one release removes both")
            << 3 << QStringList{"#A5", "#A5", "O5"} << 261 << 0 << QStringList{"H ", "H ", "O "}
            << 0 << QByteArrayList{"026165500000", "026165500000", "026179500000"} << 0;
        QTest::newRow("two violations, two lines")
            << 3 << QStringList{"#A5", "#A5"} << 261 << 2 << QStringList{"H ", "H "} << 2
            << QByteArrayList{"026165500000", "026165500000"} << 0;
        QTest::newRow("release of 6 characters ignored")
            << 2 << QStringList{"#A5", "O12345", "O00005"} << 133 << 2 << QStringList{"H "} << 1
            << QByteArrayList{"013365500000"} << 2;
        QTest::newRow("#O of 6 characters accepted as a release of 5")
            << 2 << QStringList{"#A5", "#O0005"} << 133 << 0 << QStringList{"H ", "O "} << 0
            << QByteArrayList{"013365500000", "013379500000"} << 0;
        QTest::newRow("#O of 7 characters ignored")
            << 2 << QStringList{"#A5", "#O00005"} << 133 << 2 << QStringList{"H "} << 1
            << QByteArrayList{"013365500000"} << 1;
        QTest::newRow("5 characters accepted, 6 ignored")
            << 2 << QStringList{"#A128", "#A0128", "#P0128"} << 256 << 2 << QStringList{"H "} << 1
            << QByteArrayList{"025665500000"} << 2;
        QTest::newRow("object number read by numeric value, half to even")
            << 2 << QStringList{"#A4.5"} << 132 << 2 << QStringList{"H "} << 1
            << QByteArrayList{"013265500000"} << 0;
        QTest::newRow("object numbers outside 1..128 ignored")
            << 2 << QStringList{"#A0", "O0", "P0", "#P0", "#A129", "O200", "P00", "#A", "#A-1"}
            << 128 << 0 << QStringList{} << 0 << QByteArrayList{} << 9;
        QTest::newRow("unknown kinds ignored, one character is a measured value")
            << 2 << QStringList{"", "Q5", "#X5", "#", "X", "7"} << 133 << 0 << QStringList{} << 0
            << QByteArrayList{} << 3;
        QTest::newRow("hub address 0 is never enabled")
            << 0 << QStringList{"#A5", "O5"} << 5 << 0 << QStringList{} << 0 << QByteArrayList{}
            << 2;
    }
    void dispatch()
    {
        QFETCH(int, module);
        QFETCH(QStringList, messages);
        QFETCH(int, k);
        QFETCH(int, state);
        QFETCH(QStringList, events);
        QFETCH(int, alarms);
        QFETCH(QByteArrayList, records);
        QFETCH(int, ignored);

        EngineFixture f;
        MessageDecoder decoder(f.context());
        for (const QString& message : messages)
            decoder.HandleModuleMessage(message, module);
        QCOMPARE(f.state.ObjState[size_t(k)], qint16(state));
        QCOMPARE(prefixes(f.events), events);
        QCOMPARE(f.alarms.count(), alarms);
        QCOMPARE(f.dayFileLines(), records);
        QCOMPARE(decoder.ignoredCount(), quint64(ignored));
        for (int j = 1; j <= kObjectCount; ++j)
            QVERIFY2(j == k || f.state.ObjState[size_t(j)] == Released,
                     qPrintable(QString::number(j)));
        QVERIFY(f.takeWritten(1).isEmpty()); // guard-state messages send nothing
    }

    void disabledModuleIgnored()
    {
        EngineFixture f;
        f.state.ModuleEnabled[2] = false;
        MessageDecoder decoder(f.context());
        decoder.HandleModuleMessage(QStringLiteral("#A5"), 2);
        QCOMPARE(f.state.ObjState[133], qint16(Released));
        QCOMPARE(f.events.count(), 0);
        QCOMPARE(decoder.ignoredCount(), quint64(1));
    }

    void linesCarryLabelAndName()
    {
        EngineFixture f;
        f.state.OptEventSound = 1;
        QVERIFY(f.files.setName(261, QStringLiteral("Склад Север")));
        f.clock.set(QDateTime(QDate(2026, 12, 7), QTime(7, 5, 9)));
        MessageDecoder decoder(f.context());
        decoder.HandleModuleMessage(QStringLiteral("#A5"), 3);
        QCOMPARE(f.alarms.lines(), QStringList{"  3-005  Склад Север"});
        QCOMPARE(f.events.lines(), QStringList{"H 07:05:09   3-005  Склад Север"});
        // Day serial of 2026-12-07 07:05:09: days since 1899-12-30 and the
        // fraction of the day.
        QCOMPARE(f.state.ObjLastTime[261], 46363.0 + 25509.0 / 86400.0);
        QCOMPARE(f.beeper.count, 1);

        decoder.HandleModuleMessage(QStringLiteral("P5"), 3); // no beep for the acknowledgement
        decoder.HandleModuleMessage(QStringLiteral("#P5"), 3);
        decoder.HandleModuleMessage(QStringLiteral("O5"), 3);
        QCOMPARE(f.beeper.count, 3);
        QCOMPARE(f.events.line(2), QStringLiteral("O 07:05:09   3-005  Склад Север"));
    }

    void renamedObjectStillLeavesTheList()
    {
        EngineFixture f;
        f.state.SystemNo = 1;
        MessageDecoder decoder(f.context());
        QVERIFY(f.files.setName(261, QStringLiteral("Old")));
        decoder.HandleModuleMessage(QStringLiteral("#A5"), 3);
        decoder.HandleModuleMessage(QStringLiteral("#A6"), 3);
        QVERIFY(f.files.setName(261, QStringLiteral("New")));
        decoder.HandleModuleMessage(QStringLiteral("O5"), 3);
        QCOMPARE(f.alarms.lines(), QStringList{" 13-006  "});
        QCOMPARE(f.events.line(2), QStringLiteral("O 12:00:00  13-005  New"));
    }

    void ribbonAndButtons()
    {
        EngineFixture f;
        MessageDecoder decoder(f.context());
        QSignalSpy buttons(&f.grid, &ObjectGrid::buttonChanged);
        decoder.HandleModuleMessage(QStringLiteral("#A5"), 3);
        decoder.HandleModuleMessage(QStringLiteral("#A6"), 3);
        QCOMPARE(f.grid.ribbon(2), 1);
        QCOMPARE(buttons.count(), 0); // page 0 is shown

        decoder.HandleModuleMessage(QStringLiteral("O5"), 3);
        QCOMPARE(f.grid.ribbon(2), 1); // object 6 still violated
        decoder.HandleModuleMessage(QStringLiteral("P6"), 3);
        QCOMPARE(f.grid.ribbon(2), 0);

        f.state.PageBase = qint16(pageBaseOf(2));
        f.grid.paintPage();
        decoder.HandleModuleMessage(QStringLiteral("#A70"), 3); // lower half: ribbon 10
        QCOMPARE(f.grid.ribbon(10), 1);
        QCOMPARE(buttons.count(), 0);
        decoder.HandleModuleMessage(QStringLiteral("#P6"), 3);
        QCOMPARE(f.grid.button(5).picture, int(Taken));
        QCOMPARE(buttons.count(), 1);
    }

    void failedRecordDoesNotStopTheHandling()
    {
        EngineFixture f;
        // A directory in the place of today's day file: the append cannot succeed.
        QVERIFY(QDir().mkpath(f.archive.dayFilePath(f.clock.now().date())));
        MessageDecoder decoder(f.context());
        f.state.ObjLineFlag[133] = 0;
        decoder.HandleModuleMessage(QStringLiteral("#A5"), 2);
        decoder.HandleModuleMessage(QStringLiteral("O5"), 2);
        QCOMPARE(f.state.ObjLineFlag[133], qint16(-1));
        QCOMPARE(prefixes(f.events), (QStringList{"H ", "O "}));
        QCOMPARE(f.archive.pendingCount(), 2);
    }

    // Framer and decoder together: the road of one violation through the hub.
    void violationThroughTheHub()
    {
        EngineFixture f;
        MessageDecoder decoder(f.context());
        ReceiveFramer framer(f.state);
        framer.setMessageHandler(
            [&decoder](const QString& text, int m) { decoder.HandleModuleMessage(text, m); });
        framer.receivePort1("{3#A");
        framer.receivePort1("5\r{3>");
        QCOMPARE(f.state.ObjState[261], qint16(Violated));
        QCOMPARE(f.dayFileLines(), QByteArrayList{"026165500000"});
        QVERIFY(f.state.ModuleAnswered[3]);
    }

    // Whatever bytes arrive, nothing outside the tables is touched and no
    // buffer outgrows its bound.
    void noiseIsHarmless()
    {
        EngineFixture f;
        MessageDecoder decoder(f.context());
        ReceiveFramer framer(f.state);
        framer.setMessageHandler(
            [&decoder](const QString& text, int m) { decoder.HandleModuleMessage(text, m); });
        framer.setStartupHandler([](const QString&, int) {});
        QRandomGenerator random(20261207);
        const QByteArray alphabet("{}#>*!\r\n0123456789AaOoPpBZT,.- \xC0\xFF\x80");
        for (int round = 0; round < 2000; ++round) {
            QByteArray chunk;
            const int length = int(random.bounded(1, 40));
            for (int i = 0; i < length; ++i)
                chunk.append(alphabet.at(int(random.bounded(alphabet.size()))));
            if (round % 2)
                framer.receivePort1(chunk);
            else
                framer.receivePort2(chunk);
        }
        for (int m = 0; m <= kModuleCount; ++m) {
            QVERIFY(f.state.RxBuffer[size_t(m)].size() <= ReceiveFramer::kMaxBuffer);
            QVERIFY(f.state.RxHashBuffer[size_t(m)].size() <= ReceiveFramer::kMaxBuffer);
        }
        QVERIFY(f.events.count() <= 257);
        for (int k = 0; k <= kObjectCount; ++k)
            QVERIFY(f.state.ObjState[size_t(k)] >= Released
                    && f.state.ObjState[size_t(k)] <= TakeRequested);
        QCOMPARE(f.state.ObjState[0], qint16(Released));
    }
};

QTEST_GUILESS_MAIN(TestDecoder)
#include "tst_decoder.moc"

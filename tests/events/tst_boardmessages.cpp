#include "core/Addressing.h"
#include "core/Clock.h"
#include "events/MessageDecoder.h"
#include "panel/MainPanelModel.h"
#include "support/EngineFixture.h"
#include "support/TestFiles.h"

#include <QTest>

using namespace zelvan;
using namespace zelvan::test;

namespace {
// Event lines without their time ("В " + "hh:mm:ss" + " " + text -> "В " + text).
QStringList linesWithoutTime(const EventList& events)
{
    QStringList out;
    for (const QString& line : events.lines())
        out << line.left(2) + line.mid(11);
    return out;
}

} // namespace

class TestBoardMessages : public QObject
{
    Q_OBJECT
private slots:
    void boardMessages_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("storedCode");
        QTest::addColumn<int>("msSinceViolation"); // -1: never violated
        QTest::addColumn<bool>("directPair");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("records");
        const QString on = QStringLiteral("В   1-005  Включен под охрана");
        const QString off = QStringLiteral("И   1-005  Изключен от охрана");
        const QString sig1 = QStringLiteral(">   1-005   220 V");
        const QString sig2 = QStringLiteral(">   1-005   Батерия");
        const QString sig5 = QStringLiteral(">   1-005   Зона 3");

        QTest::newRow("on within the window")
            << "#0000000A1 0005"
            << "A1" << 3000 << false << QByteArray("}1P5\r") << QStringList{on} << "N";
        QTest::newRow("on just inside")
            << "#0000000A1 0005"
            << "A1" << 9999 << false << QByteArray("}1P5\r") << QStringList{on} << "N";
        QTest::newRow("on at the period")
            << "#0000000A1 0005"
            << "A1" << 10000 << false << QByteArray() << QStringList{on} << "N";
        QTest::newRow("never violated")
            << "#0000000A1 0005"
            << "A1" << -1 << false << QByteArray() << QStringList{on} << "N";
        QTest::newRow("off releases")
            << "#1000000A1 0005"
            << "A1" << 3000 << false << QByteArray("}1O5\r") << QStringList{off} << "F";
        QTest::newRow("off on a direct pair takes")
            << "#1000000A1 0005"
            << "A1" << 3000 << true << QByteArray("}1P5\r") << QStringList{off} << "F";
        QTest::newRow("off outside the window")
            << "#1000000A1 0005"
            << "A1" << 60000 << false << QByteArray() << QStringList{off} << "F";
        QTest::newRow("signals 1 and 2")
            << "#0110000A1 0005"
            << "A1" << -1 << false << QByteArray() << QStringList{on, sig1, sig2} << "N12";
        QTest::newRow("signal 5") << "#1000010A1 0005"
                                  << "A1" << -1 << false << QByteArray() << QStringList{off, sig5}
                                  << "F5";
        QTest::newRow("flags 2 and 9 are not active")
            << "#0290000A1 0005"
            << "A1" << -1 << false << QByteArray() << QStringList{on} << "N";
        QTest::newRow("code differs in case")
            << "#0000000a1 0005"
            << "A1" << 3000 << false << QByteArray() << QStringList{} << "";
        QTest::newRow("code differs")
            << "#0000000B1 0005"
            << "A1" << 3000 << false << QByteArray() << QStringList{} << "";
        QTest::newRow("no board") << "#000000000 0005"
                                  << "00" << 3000 << false << QByteArray() << QStringList{} << "";
        QTest::newRow("object 0") << "#0000000A1 0000"
                                  << "A1" << 3000 << false << QByteArray() << QStringList{} << "";
        QTest::newRow("object 129") << "#0000000A1 0129"
                                    << "A1" << 3000 << false << QByteArray() << QStringList{} << "";
    }
    void boardMessages()
    {
        QFETCH(QString, message);
        QFETCH(QString, storedCode);
        QFETCH(int, msSinceViolation);
        QFETCH(bool, directPair);
        QFETCH(QByteArray, sent);
        QFETCH(QStringList, lines);
        QFETCH(QString, records);
        EngineFixture f;
        StationState& s = f.state;
        s.KavelCode[5] = storedCode;
        s.KavelCode[129] = storedCode; // object 129 of module 1 would be object 1 of module 2
        s.KavelDirectPair[5] = directPair ? -1 : 0;
        QVERIFY(f.files.setBoard(
            5, {{QStringLiteral("220 V"), QStringLiteral("Батерия"), QStringLiteral("Зона 1"),
                 QStringLiteral("Зона 2"), QStringLiteral("Зона 3")},
                10,
                storedCode,
                directPair}));
        if (msSinceViolation >= 0)
            s.ObjLastTime[5] = daySerial(f.clock.now().addMSecs(-msSinceViolation));
        s.SelectedObject = 300;
        s.SelectedObjectNo = QStringLiteral("44");
        const auto statesBefore = s.ObjState;

        MessageDecoder decoder(f.context());
        decoder.HandleModuleMessage(message, 1);
        QCOMPARE(f.takeWritten(1), sent);
        QCOMPARE(linesWithoutTime(f.events), lines);
        QCOMPARE(recordLetters(f.dayFileLines()), records);
        // A board message leaves the panel's selection and every state alone.
        QCOMPARE(s.SelectedObjectNo, QStringLiteral("44"));
        QCOMPARE(s.SelectedObject, qint16(300));
        QVERIFY(s.ObjState == statesBefore);
        QCOMPARE(f.alarms.count(), 0);
        QCOMPARE(f.beeper.count, 0);
    }

    void measurementKeepsItsObjectAcrossABoardMessage()
    {
        EngineFixture f;
        StationState& s = f.state;
        s.KavelCode[globalIndex(2, 9)] = QStringLiteral("C3");
        s.ObjLastTime[globalIndex(2, 9)] = daySerial(f.clock.now().addSecs(-1));
        s.SelectedObject = qint16(globalIndex(3, 17));
        s.SelectedObjectNo = QStringLiteral("17");
        s.PendingMeasure = QStringLiteral("U273");
        MainPanelModel panel{f.state, f.files, f.grid, f.commands, f.archive, f.clock};
        MessageDecoder decoder(f.context(panel));
        decoder.HandleModuleMessage(QStringLiteral("#1000000C3 0009"), 2);
        decoder.HandleModuleMessage(QStringLiteral("140"), 3);
        QCOMPARE(f.takeWritten(1), QByteArray("}2O9\r}3U17\r"));
    }
};

QTEST_GUILESS_MAIN(TestBoardMessages)
#include "tst_boardmessages.moc"

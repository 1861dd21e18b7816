#include "MenuBench.h"

#include "core/Clock.h"
#include "menu/MenuTexts.h"
#include "menu/StateRestore.h"

#include <QRegularExpression>
#include <QSignalSpy>

using namespace zelvan;
using namespace zelvan::test;

namespace {

// Mdl_<m>.dat as the link supervision writes it: the loss moment, then the take commands.
QByteArray stateFile(const QDateTime& lostAt, const QList<int>& objects)
{
    QByteArray out = QByteArray::number(daySerial(lostAt), 'f', 8) + "\r\n";
    for (int n : objects)
        out += "P" + QByteArray::number(n) + "\r\n";
    return out;
}

QList<int> allObjects()
{
    QList<int> list;
    for (int n = 1; n <= kObjectsPerModule; ++n)
        list.append(n);
    return list;
}

} // namespace

class TestStateRestore : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void captions_data();
    void captions();
    void lossTimeOnClockChangeDays_data();
    void lossTimeOnClockChangeDays();
    void sendsEveryLineOnceInOrder_data();
    void sendsEveryLineOnceInOrder();
    void waitsForTheOutputToDrainBeforeEachLine();
    void fileWithOnlyItsFirstLineSendsNothing();
    void closedPortSendsNothingAndFinishes();
    void oneRestoreAtATime();
    void unreadableSavedStateIsNotNoData();
    void portThatNeverDrainsEndsTheRestoreWithAProblem();
    void sendsOnlyTakeCommandsOfTheModule_data();
    void sendsOnlyTakeCommandsOfTheModule();
    void skippedLinesAreNamedAndJournaled();
};

void TestStateRestore::initTestCase()
{
    // A zone with summer time, whatever the machine's own.
    qputenv("TZ", "Europe/Sofia");
    QVERIFY(QDateTime(QDate(2026, 7, 1), QTime(12, 0)).isDaylightTime());
}

void TestStateRestore::lossTimeOnClockChangeDays_data()
{
    QTest::addColumn<QDateTime>("lostAt");
    QTest::addColumn<QString>("shown");
    QTest::newRow("summer time begins, after the change")
        << QDateTime(QDate(2026, 3, 29), QTime(7, 8, 9))
        << QStringLiteral("29 Март 2026 г.  07:08:09");
    QTest::newRow("summer time begins, before the change")
        << QDateTime(QDate(2026, 3, 29), QTime(1, 30, 0))
        << QStringLiteral("29 Март 2026 г.  01:30:00");
    QTest::newRow("summer time ends, after the change")
        << QDateTime(QDate(2026, 10, 25), QTime(22, 0, 1)) << QStringLiteral("2026 г.  22:00:01");
    QTest::newRow("last second of a day") << QDateTime(QDate(2026, 3, 29), QTime(23, 59, 59))
                                          << QStringLiteral("29 Март 2026 г.  23:59:59");
}

void TestStateRestore::lossTimeOnClockChangeDays()
{
    QFETCH(QDateTime, lostAt);
    QFETCH(QString, shown);
    MenuBench bench;
    MenuBench::writeAll(bench.dataFile(QStringLiteral("Mdl_1.dat")), stateFile(lostAt, {4}));
    StateRestore restore(bench.state, bench.commands);
    restore.refresh();
    QVERIFY2(restore.caption(1).endsWith(shown), qPrintable(restore.caption(1)));
}

void TestStateRestore::captions_data()
{
    QTest::addColumn<int>("systemNo");
    QTest::addColumn<QString>("showZero");
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");

    const QString when = QStringLiteral("           05 Март 2026 г.  07:08:09");
    QTest::newRow("hidden system part")
        << 0 << "N" << true << QStringLiteral("Модул   1") + when << true;
    QTest::newRow("system 2") << 2 << "N" << true << QStringLiteral("Модул  21") + when << true;
    QTest::newRow("system 0 shown")
        << 0 << "Y" << true << QStringLiteral("Модул  01") + when << true;
    QTest::newRow("no file") << 0 << "N" << false << QStringLiteral("Модул   1   няма данни  !")
                             << false;
}

void TestStateRestore::captions()
{
    QFETCH(int, systemNo);
    QFETCH(QString, showZero);
    QFETCH(bool, withFile);
    QFETCH(QString, caption);
    QFETCH(bool, enabled);

    MenuBench bench;
    bench.state.SystemNo = qint16(systemNo);
    bench.state.ShowSystemZero = showZero;
    if (withFile)
        MenuBench::writeAll(bench.dataFile(QStringLiteral("Mdl_1.dat")),
                            stateFile(QDateTime(QDate(2026, 3, 5), QTime(7, 8, 9)), {4}));
    StateRestore restore(bench.state, bench.commands);
    restore.refresh();
    QCOMPARE(restore.caption(1), caption);
    QCOMPARE(restore.enabled(1), enabled);
    QVERIFY(!restore.enabled(2));
}

void TestStateRestore::sendsEveryLineOnceInOrder_data()
{
    QTest::addColumn<QString>("hub");
    QTest::addColumn<int>("module");
    QTest::addColumn<int>("port"); // 0: nothing may be sent
    QTest::addColumn<QByteArray>("prefix");

    QTest::newRow("hub module 3") << "Y" << 3 << 1 << QByteArray("}3");
    QTest::newRow("hub module 8") << "Y" << 8 << 1 << QByteArray("}8");
    QTest::newRow("direct module 1") << "N" << 1 << 1 << QByteArray();
    QTest::newRow("direct module 2") << "N" << 2 << 2 << QByteArray();
    QTest::newRow("direct module 3") << "N" << 3 << 0 << QByteArray();
    QTest::newRow("direct module 8") << "N" << 8 << 0 << QByteArray();
}

// A long file (every object of the module under guard) goes out whole, with
// the output held so that each line waits for the previous one to drain.
void TestStateRestore::sendsEveryLineOnceInOrder()
{
    QFETCH(QString, hub);
    QFETCH(int, module);
    QFETCH(int, port);
    QFETCH(QByteArray, prefix);

    MenuBench bench;
    bench.state.HubMode = hub;
    MenuBench::writeAll(bench.dataFile(QStringLiteral("Mdl_%1.dat").arg(module)),
                        stateFile(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), allObjects()));
    bench.port1.setHoldOutput(true);
    bench.port2.setHoldOutput(true);
    StateRestore restore(bench.state, bench.commands);
    QSignalSpy finished(&restore, &StateRestore::finished);
    QList<int> progress;
    connect(&restore, &StateRestore::changed, this, [&] {
        if (restore.running())
            progress.append(restore.progress());
    });

    QVERIFY(restore.restore(module));
    for (int guard = 0; restore.running() && guard < 1000; ++guard) {
        bench.port1.drain();
        bench.port2.drain();
    }
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toInt(), module);
    QCOMPARE(restore.progress(), 0);

    QByteArray expected;
    for (int n = 1; n <= kObjectsPerModule; ++n)
        expected += prefix + "P" + QByteArray::number(n) + "\r";
    FakeSerialLine& used = port == 2 ? bench.port2 : bench.port1;
    FakeSerialLine& other = port == 2 ? bench.port1 : bench.port2;
    QCOMPARE(used.takeWritten(), port == 0 ? QByteArray() : expected);
    QCOMPARE(other.takeWritten(), QByteArray());

    if (port != 0) {
        // The bar follows the lines: the object number as a percentage of 128.
        QCOMPARE(progress.size(), 1 + kObjectsPerModule);
        QCOMPARE(progress.at(1), 1);   // P1: 0.78 %
        QCOMPARE(progress.at(64), 50); // P64
        QCOMPARE(progress.last(), 100);
    }
}

void TestStateRestore::waitsForTheOutputToDrainBeforeEachLine()
{
    MenuBench bench;
    MenuBench::writeAll(bench.dataFile(QStringLiteral("Mdl_2.dat")),
                        stateFile(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), {7, 9, 100}));
    bench.port1.setHoldOutput(true);
    bench.port1.write("}0\r"); // a probe still on its way out
    bench.port1.takeWritten();
    StateRestore restore(bench.state, bench.commands);

    QVERIFY(restore.restore(2));
    QCOMPARE(bench.port1.takeWritten(), QByteArray());
    QVERIFY(!restore.enabled(2));
    bench.port1.drain();
    QCOMPARE(bench.port1.takeWritten(), QByteArray("}2P7\r"));
    QCOMPARE(restore.progress(), 5);
    bench.port1.drain();
    QCOMPARE(bench.port1.takeWritten(), QByteArray("}2P9\r"));
    QCOMPARE(restore.progress(), 7);
    bench.port1.drain();
    // The last line is handed to the port and the restore is over.
    QCOMPARE(bench.port1.takeWritten(), QByteArray("}2P100\r"));
    QVERIFY(!restore.running());
    QCOMPARE(restore.progress(), 0);
    bench.port1.drain();
    QCOMPARE(bench.port1.takeWritten(), QByteArray());

    // The file stays as it was and can be sent again.
    bench.port1.setHoldOutput(false);
    QVERIFY(restore.restore(2));
    QCOMPARE(bench.port1.takeWritten(), QByteArray("}2P7\r}2P9\r}2P100\r"));
}

void TestStateRestore::fileWithOnlyItsFirstLineSendsNothing()
{
    MenuBench bench;
    MenuBench::writeAll(bench.dataFile(QStringLiteral("Mdl_1.dat")),
                        stateFile(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), {}));
    StateRestore restore(bench.state, bench.commands);
    QSignalSpy finished(&restore, &StateRestore::finished);
    QVERIFY(restore.restore(1));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(restore.progress(), 0);
    QCOMPARE(bench.port1.takeWritten(), QByteArray());
}

void TestStateRestore::closedPortSendsNothingAndFinishes()
{
    MenuBench bench;
    MenuBench::writeAll(bench.dataFile(QStringLiteral("Mdl_1.dat")),
                        stateFile(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), {1, 2, 3}));
    bench.port1.setHoldOutput(true);
    StateRestore restore(bench.state, bench.commands);
    RecordingOperatorActions journal;
    restore.setOperatorActions(&journal);
    QSignalSpy finished(&restore, &StateRestore::finished);
    QVERIFY(restore.restore(1));
    QCOMPARE(bench.port1.takeWritten(), QByteArray("}1P1\r"));
    // The adapter is unplugged while the restore waits for the line to drain.
    bench.port1.fail(QStringLiteral("unplugged"));
    QCOMPARE(finished.count(), 1);
    QVERIFY(!restore.running());
    // The journal has the start, the one line sent and the end with its problem.
    QCOMPARE(journal.lines, (QStringList{QStringLiteral("restore 0 1 started, 3 lines"),
                                         QStringLiteral("take 1 1 restore"),
                                         QStringLiteral("restore 0 1 ended with a problem: 2 lines "
                                                        "not sent")}));
}

void TestStateRestore::oneRestoreAtATime()
{
    MenuBench bench;
    for (int m : {1, 2})
        MenuBench::writeAll(bench.dataFile(QStringLiteral("Mdl_%1.dat").arg(m)),
                            stateFile(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), {1, 2}));
    bench.port1.setHoldOutput(true);
    StateRestore restore(bench.state, bench.commands);
    restore.refresh();
    QVERIFY(restore.restore(1));
    QVERIFY(!restore.restore(2));
    QVERIFY(!restore.enabled(2));
    QVERIFY(!restore.restore(3)); // no saved state
    while (restore.running())
        bench.port1.drain();
    QCOMPARE(bench.port1.takeWritten(), QByteArray("}1P1\r}1P2\r"));
    QVERIFY(restore.enabled(2));
}

// Mdl_1.dat there but unreadable (a directory in its place, which root cannot
// read either): the button says so, not "no data", and sends nothing.
void TestStateRestore::unreadableSavedStateIsNotNoData()
{
    MenuBench bench;
    QVERIFY(QDir().mkdir(bench.dataFile(QStringLiteral("Mdl_1.dat"))));
    StateRestore restore(bench.state, bench.commands);
    restore.refresh();
    QCOMPARE(restore.caption(1),
             QStringLiteral("Модул   1   данните не могат да бъдат прочетени  !"));
    QVERIFY(!restore.enabled(1));
    QVERIFY(!restore.restore(1));
    QCOMPARE(bench.port1.takeWritten(), QByteArray());
    QCOMPARE(restore.caption(2), QStringLiteral("Модул   2   няма данни  !"));
}

// The output is held for good: the restore gives up, says in the panel's
// problem list how many lines were not sent, and the next restore clears it.
void TestStateRestore::portThatNeverDrainsEndsTheRestoreWithAProblem()
{
    MenuBench bench;
    MenuBench::writeAll(bench.dataFile(QStringLiteral("Mdl_1.dat")),
                        stateFile(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), {1, 2, 3}));
    bench.port1.setHoldOutput(true);
    StateRestore restore(bench.state, bench.commands, &bench.screen);
    restore.setDrainTimeout(20);
    QSignalSpy stalled(&restore, &StateRestore::stalled);
    QSignalSpy finished(&restore, &StateRestore::finished);
    QVERIFY(restore.restore(1));
    QVERIFY(stalled.wait());
    QCOMPARE(stalled.first(), (QVariantList{1, 2}));
    QCOMPARE(finished.count(), 1);
    QVERIFY(!restore.running());
    QCOMPARE(bench.port1.takeWritten(), QByteArray("}1P1\r"));
    QCOMPARE(bench.screen.problems(),
             QStringList{QStringLiteral("Възстановяването на Модул   1 е спряно: линията не "
                                        "изпраща, 2 реда не са изпратени.")});

    bench.port1.setHoldOutput(false);
    bench.port1.drain();
    QVERIFY(restore.restore(1));
    QVERIFY(bench.screen.problems().isEmpty());
}

// One line between two good ones: sent only when it is exactly "P" and an
// object number of the module; any other line is passed over by its number.
void TestStateRestore::sendsOnlyTakeCommandsOfTheModule_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("sent");
    QTest::newRow("first object") << QByteArray("P1") << true;
    QTest::newRow("last object") << QByteArray("P128") << true;
    QTest::newRow("ends with LF only") << QByteArray("P77\n") << true;
    QTest::newRow("CR and another module's address") << QByteArray("P5\r}2P7") << false;
    QTest::newRow("two CRs") << QByteArray("P5\r") << false;
    QTest::newRow("release") << QByteArray("O5") << false;
    QTest::newRow("small letter") << QByteArray("p5") << false;
    QTest::newRow("object 0") << QByteArray("P0") << false;
    QTest::newRow("object 129") << QByteArray("P129") << false;
    QTest::newRow("leading zero") << QByteArray("P05") << false;
    QTest::newRow("plus sign") << QByteArray("P+5") << false;
    QTest::newRow("minus sign") << QByteArray("P-5") << false;
    QTest::newRow("blank inside") << QByteArray("P 5") << false;
    QTest::newRow("blank after") << QByteArray("P5 ") << false;
    QTest::newRow("blank before") << QByteArray(" P5") << false;
    QTest::newRow("tab after") << QByteArray("P5\t") << false;
    QTest::newRow("threshold command") << QByteArray("B5,130") << false;
    QTest::newRow("value after") << QByteArray("P5,1") << false;
    QTest::newRow("letter alone") << QByteArray("P") << false;
    QTest::newRow("five digits") << QByteArray("P00128") << false;
    QTest::newRow("NUL") << QByteArray("P5\0", 3) << false;
    QTest::newRow("blanks only") << QByteArray("   ") << false;
    QTest::newRow("cp1251 letter") << QByteArray("\xD0"
                                                 "5")
                                   << false;
}
void TestStateRestore::sendsOnlyTakeCommandsOfTheModule()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, sent);
    MenuBench bench;
    const QString path = bench.dataFile(QStringLiteral("Mdl_3.dat"));
    // An empty line between the commands is no command and no problem either.
    MenuBench::writeAll(path, stateFile(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), {1}) + line
                                  + (line.endsWith('\n') ? "" : "\r\n") + "\r\nP2\r\n");
    StateRestore restore(bench.state, bench.commands, &bench.screen);
    RecordingOperatorActions journal;
    restore.setOperatorActions(&journal);
    QVERIFY(restore.restore(3));
    QByteArray middle = line;
    if (middle.endsWith('\n'))
        middle.chop(1);
    QCOMPARE(bench.port1.takeWritten(),
             sent ? "}3P1\r}3" + middle + "\r}3P2\r" : QByteArray("}3P1\r}3P2\r"));
    QCOMPARE(journal.lines.filter(QStringLiteral("skipped")).size(), sent ? 0 : 1);
    QCOMPARE(journal.lines.filter(QRegularExpression(QStringLiteral("^take "))).size(),
             sent ? 3 : 2);
    QCOMPARE(bench.screen.problems(),
             sent ? QStringList() : QStringList{menu_texts::kRestoreSkipped.arg(path, "3")});
}

// The lines passed over are named in the problem list by file and number
// (the first ten, then how many more) and journaled, together with a stall;
// the next restore of a sound file takes the problem away.
void TestStateRestore::skippedLinesAreNamedAndJournaled()
{
    MenuBench bench;
    const QString path = bench.dataFile(QStringLiteral("Mdl_1.dat"));
    QByteArray bytes = stateFile(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), {4});
    for (int i = 0; i < 12; ++i)
        bytes += "O" + QByteArray::number(i + 1) + "\r\n";
    bytes += "P9\r\n";
    MenuBench::writeAll(path, bytes);
    bench.port1.setHoldOutput(true);
    StateRestore restore(bench.state, bench.commands, &bench.screen);
    restore.setDrainTimeout(20);
    RecordingOperatorActions journal;
    restore.setOperatorActions(&journal);
    QSignalSpy stalled(&restore, &StateRestore::stalled);
    QVERIFY(restore.restore(1));
    const QString skipped =
        menu_texts::kRestoreSkipped.arg(path, QStringLiteral("3, 4, 5, 6, 7, 8, 9, 10, 11, 12")
                                                  + menu_texts::kRestoreMoreLines.arg(2));
    QCOMPARE(bench.screen.problems(), QStringList{skipped});
    QCOMPARE(journal.lines.mid(0, 3),
             (QStringList{QStringLiteral("restore 0 1 started, 2 lines"),
                          QStringLiteral("restore 0 1 skipped, not take commands of the "
                                         "module: 12 line(s) of %1: 3, 4, 5, 6, 7, 8, 9, 10, 11, "
                                         "12 и още 2")
                              .arg(path),
                          QStringLiteral("take 4 1 restore")}));
    QVERIFY(stalled.wait());
    QCOMPARE(bench.screen.problems(),
             QStringList{skipped
                         + QStringLiteral("\nВъзстановяването на Модул   1 е спряно: "
                                          "линията не изпраща, 1 реда не са изпратени.")});

    bench.port1.setHoldOutput(false);
    bench.port1.drain();
    MenuBench::writeAll(path, stateFile(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), {4}));
    QVERIFY(restore.restore(1));
    QVERIFY(bench.screen.problems().isEmpty());
}

QTEST_GUILESS_MAIN(TestStateRestore)
#include "tst_staterestore.moc"

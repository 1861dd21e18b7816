#include "MenuBench.h"

#include "menu/BoardConfiguration.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QSignalSpy>

using namespace zelvan;
using namespace zelvan::test;

namespace {
QByteArray tagged(qint16 tag, qint64 value, int bytes)
{
    QByteArray out;
    out.append(char(tag & 0xff)).append(char(tag >> 8));
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
    return out.leftJustified(16, '\0');
}
} // namespace

class TestBoardConfiguration : public QObject
{
    Q_OBJECT
private slots:
    void storeWritesTheObjectsRecords_data();
    void storeWritesTheObjectsRecords();
    void cancelChangesNothing();
    void loadSelectsTheCode_data();
    void loadSelectsTheCode();
    void periodLabelFollowsTheSlider();
    void unreadableKavelFileReadsEmptyAndStoresNothing();
    void changeNamesOldAndNew_data();
    void changeNamesOldAndNew();
};

void TestBoardConfiguration::storeWritesTheObjectsRecords_data()
{
    QTest::addColumn<int>("k");
    QTest::newRow("object 1") << 1;
    QTest::newRow("object 129") << 129;
    QTest::newRow("object 1024") << 1024;
}

void TestBoardConfiguration::storeWritesTheObjectsRecords()
{
    QFETCH(int, k);
    MenuBench bench;
    // Records 6 and 7 carry something the configuration must leave alone.
    QByteArray file = MenuBench::readAll(bench.files.kavelPath());
    const int base = (k - 1) * 10;
    file.replace(qsizetype(base + 5) * 16, 16, MenuBench::textRecord(QStringLiteral("six"), 16));
    file.replace(qsizetype(base + 6) * 16, 16, MenuBench::textRecord(QStringLiteral("seven"), 16));
    MenuBench::writeAll(bench.files.kavelPath(), file);

    BoardConfiguration board(bench.state, bench.files);
    board.load(k);
    board.setCaption(0, QStringLiteral("Захранване 220V мрежа")); // 21 characters
    board.setCaption(1, QString());
    board.setCaption(4, QStringLiteral("Гараж"));
    board.setPeriod(45);
    board.selectCode(0x3C);
    board.setDirectPair(true);
    QVERIFY(board.store(k));

    QCOMPARE(bench.state.KavelPeriod[size_t(k)], 45);
    QCOMPARE(bench.state.KavelCode[size_t(k)], QStringLiteral("3C"));
    QCOMPARE(bench.state.KavelDirectPair[size_t(k)], qint16(-1));

    const QByteArray after = MenuBench::readAll(bench.files.kavelPath());
    const QStringList captions = {QStringLiteral("Захранване 220"), QString(),
                                  QStringLiteral("Зона 1"), QStringLiteral("Зона 2"),
                                  QStringLiteral("Гараж")};
    for (int j = 1; j <= 5; ++j)
        QCOMPARE(MenuBench::record(after, base + j, 16),
                 MenuBench::textRecord(captions.at(j - 1), 16));
    QCOMPARE(MenuBench::record(after, base + 6, 16), MenuBench::record(file, base + 6, 16));
    QCOMPARE(MenuBench::record(after, base + 7, 16), MenuBench::record(file, base + 7, 16));
    QCOMPARE(MenuBench::record(after, base + 8, 16), tagged(3, 45, 4));
    QCOMPARE(MenuBench::record(after, base + 9, 16),
             MenuBench::textRecord(QStringLiteral("3C"), 16));
    QCOMPARE(MenuBench::record(after, base + 10, 16), tagged(2, 1, 2));
    // Nothing outside the object's ten records moved.
    QByteArray rest = after;
    rest.replace(qsizetype(base) * 16, 160, file.mid(qsizetype(base) * 16, 160));
    QCOMPARE(rest, file);

    // Unticking the direct pair stores 0.
    board.setDirectPair(false);
    QVERIFY(board.store(k));
    QCOMPARE(MenuBench::record(MenuBench::readAll(bench.files.kavelPath()), base + 10, 16),
             tagged(2, 0, 2));
    QCOMPARE(bench.state.KavelDirectPair[size_t(k)], qint16(0));
}

void TestBoardConfiguration::cancelChangesNothing()
{
    MenuBench bench;
    const QByteArray before = MenuBench::readAll(bench.files.kavelPath());
    {
        MenuSession session(bench.state, bench.screen, bench.files, bench.restore,
                            bench.optionsFile, bench.clock);
        session.open({});
        session.setCurrentTab(MenuTab::ObjectsConfiguration);
        session.board().selectCode(200);
        session.board().setPeriod(99);
        session.board().setDirectPair(true);
        session.board().setCaption(2, QStringLiteral("xyz"));
        session.cancelBoard();
        QCOMPARE(session.currentTab(), tabIndex(MenuTab::ObjectsList));
        session.setCurrentTab(MenuTab::ObjectsConfiguration);
        QCOMPARE(session.board().code(), QStringLiteral("00"));
        QCOMPARE(session.board().period(), 10);
        QVERIFY(!session.board().directPair());
        QCOMPARE(session.board().caption(2), QStringLiteral("Зона 1"));
    }
    QCOMPARE(MenuBench::readAll(bench.files.kavelPath()), before);
    QCOMPARE(bench.state.KavelCode[1], QStringLiteral("00"));
    QCOMPARE(bench.state.KavelPeriod[1], 10);
}

void TestBoardConfiguration::loadSelectsTheCode_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("index");
    QTest::newRow("0A") << "0A" << 10;
    QTest::newRow("ff lower") << "ff" << 255;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("unreadable") << "ZZ" << 0;
}

void TestBoardConfiguration::loadSelectsTheCode()
{
    QFETCH(QString, code);
    QFETCH(int, index);
    MenuBench bench;
    bench.state.KavelCode[7] = code;
    BoardConfiguration board(bench.state, bench.files);
    board.load(7);
    QCOMPARE(board.codeIndex(), index);
    QCOMPARE(BoardConfiguration::codes().size(), 256);
    QCOMPARE(BoardConfiguration::codes().at(10), QStringLiteral("0A"));
}

void TestBoardConfiguration::periodLabelFollowsTheSlider()
{
    MenuBench bench;
    bench.state.KavelPeriod[3] = 30;
    BoardConfiguration board(bench.state, bench.files);
    board.load(3);
    QCOMPARE(board.period(), 30);
    board.setPeriod(120);
    QCOMPARE(board.periodText(),
             QStringLiteral("    Време за поемане/освобождажане след команда от обекта :  120 s"));
    QCOMPARE(board.periodHint(), QStringLiteral("120 s"));
    QCOMPARE(bench.state.KavelPeriod[3], 30); // stored only on confirmation
    board.setPeriod(500);
    QCOMPARE(board.period(), 120);
}

// Kavel.dat there but unreadable (a directory in its place, which root cannot
// read either): the board says it could not be read, with the reason, the
// captions read empty, and a store is refused, writing nothing over the file
// and leaving the board tables as they were.
void TestBoardConfiguration::unreadableKavelFileReadsEmptyAndStoresNothing()
{
    MenuBench bench;
    QVERIFY(test::makeUnopenable(bench.files.kavelPath()));
    bench.state.KavelPeriod[7] = 30;
    BoardConfiguration board(bench.state, bench.files);
    board.load(7);
    QVERIFY2(board.fileProblem().startsWith(bench.files.kavelPath() + QStringLiteral(": ")),
             qPrintable(board.fileProblem()));
    for (int j = 0; j < BoardConfiguration::kSignalCount; ++j)
        QCOMPARE(board.caption(j), QString());
    QSignalSpy refused(&board, &BoardConfiguration::readFailed);
    QSignalSpy failed(&board, &BoardConfiguration::writeFailed);
    board.setPeriod(90);
    board.setDirectPair(true);
    QVERIFY(!board.store(7));
    QCOMPARE(refused.count(), 1);
    QCOMPARE(refused.first().first().toString(), bench.files.kavelPath());
    QCOMPARE(failed.count(), 0);
    QCOMPARE(bench.state.KavelPeriod[7], 30);
    QCOMPARE(bench.state.KavelDirectPair[7], qint16(0));
    QVERIFY(QFileInfo(bench.files.kavelPath()).isDir());
}

// The journal's words for a confirmation: every setting that changes, as it
// was stored and as it becomes; once stored, nothing is left to change.
void TestBoardConfiguration::changeNamesOldAndNew_data()
{
    QTest::addColumn<int>("storedPeriod");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("period");
    QTest::addColumn<bool>("pair");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("change");
    QTest::newRow("nothing") << 10 << 0 << 10 << false << "220 V"
                             << "unchanged";
    QTest::newRow("code") << 10 << 10 << 10 << false << "220 V"
                          << "code 00->0A";
    QTest::newRow("period") << 10 << 0 << 60 << false << "220 V"
                            << "period 10->60";
    QTest::newRow("direct pair") << 10 << 0 << 10 << true << "220 V"
                                 << "direct pair no->yes";
    QTest::newRow("caption") << 10 << 0 << 10 << false << "Мрежа"
                             << "signal 1 \"220 V\"->\"Мрежа\"";
    QTest::newRow("caption emptied") << 10 << 0 << 10 << false << ""
                                     << "signal 1 \"220 V\"->\"\"";
    QTest::newRow("stored period out of range") << 500 << 0 << 500 << false << "220 V"
                                                << "period 500->120";
    QTest::newRow("all") << 10 << 255 << 120 << true << "Мрежа"
                         << "code 00->FF, period 10->120, direct pair no->yes, "
                            "signal 1 \"220 V\"->\"Мрежа\"";
}

void TestBoardConfiguration::changeNamesOldAndNew()
{
    QFETCH(int, storedPeriod);
    QFETCH(int, code);
    QFETCH(int, period);
    QFETCH(bool, pair);
    QFETCH(QString, caption);
    QFETCH(QString, change);
    MenuBench bench;
    bench.state.KavelPeriod[5] = storedPeriod;
    BoardConfiguration board(bench.state, bench.files);
    board.load(5);
    board.selectCode(code);
    board.setPeriod(period);
    board.setDirectPair(pair);
    board.setCaption(0, caption);
    QCOMPARE(board.changeFrom(5), change);
    QVERIFY(board.store(5));
    QCOMPARE(board.changeFrom(5), QStringLiteral("unchanged"));
}

QTEST_GUILESS_MAIN(TestBoardConfiguration)
#include "tst_boardconfiguration.moc"

#include "MenuBench.h"

#include "core/InformationFile.h"
#include "menu/NamesRegister.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QSignalSpy>

using namespace zelvan;
using namespace zelvan::test;

class TestNamesRegister : public QObject
{
    Q_OBJECT
private slots:
    void entriesShowTheSystemPart_data();
    void entriesShowTheSystemPart();
    void savingANameChangesOneRecordAndOneEntry();
    void nameFieldLength_data();
    void nameFieldLength();
    void informationFileOfTheCurrentObject();
    void emptyInformationTextLeavesCrLf();
    void informationRoundTripKeepsTheFile();
    void missingInformationFileEmptiesTheText();
    void unreadableNameFileReadsEmptyAndSavesNothing();
};

void TestNamesRegister::entriesShowTheSystemPart_data()
{
    QTest::addColumn<int>("systemNo");
    QTest::addColumn<QString>("showZero");
    QTest::addColumn<int>("k");
    QTest::addColumn<QString>("label");

    QTest::newRow("hidden, object 5") << 0 << "N" << 5 << QStringLiteral(" 1-005");
    QTest::newRow("system 2, object 5") << 2 << "N" << 5 << QStringLiteral("21-005");
    QTest::newRow("zero shown, object 129") << 0 << "Y" << 129 << QStringLiteral("02-001");
    QTest::newRow("hidden, object 1024") << 0 << "N" << 1024 << QStringLiteral(" 8-128");
}

void TestNamesRegister::entriesShowTheSystemPart()
{
    QFETCH(int, systemNo);
    QFETCH(QString, showZero);
    QFETCH(int, k);
    QFETCH(QString, label);

    MenuBench bench;
    bench.state.SystemNo = qint16(systemNo);
    bench.state.ShowSystemZero = showZero;
    QVERIFY(bench.files.setName(k, QStringLiteral("Иванов")));
    NamesRegister names(bench.state, bench.files);
    names.load();
    QCOMPARE(names.entries().size(), kObjectCount);
    QCOMPARE(names.entry(k - 1), label + QStringLiteral("  Иванов"));
    names.select(k - 1);
    QCOMPARE(names.nameText(), QStringLiteral("Иванов"));
    QCOMPARE(names.objectLabel(), label);
    QCOMPARE(names.objectCaption(), label + QStringLiteral("  Иванов"));
}

void TestNamesRegister::savingANameChangesOneRecordAndOneEntry()
{
    MenuBench bench;
    NamesRegister names(bench.state, bench.files);
    names.load();
    const QStringList before = names.entries();
    const QByteArray fileBefore = MenuBench::readAll(bench.files.namePath());
    QSignalSpy changed(&names, &NamesRegister::entryChanged);

    names.select(128);
    names.setNameText(QStringLiteral("Магазин Роза"));
    QVERIFY(names.saveName());

    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().first().toInt(), 128);
    QCOMPARE(names.currentIndex(), 128);
    QCOMPARE(names.entry(128), QStringLiteral(" 2-001  Магазин Роза"));
    QCOMPARE(names.objectCaption(), QStringLiteral(" 2-001  Магазин Роза"));
    for (int i = 0; i < kObjectCount; ++i) {
        if (i != 128)
            QCOMPARE(names.entry(i), before.at(i));
    }
    const QByteArray fileAfter = MenuBench::readAll(bench.files.namePath());
    QCOMPARE(MenuBench::record(fileAfter, 129, 70),
             MenuBench::textRecord(QStringLiteral("Магазин Роза"), 70));
    QByteArray others = fileAfter;
    others.replace(128 * 70, 70, MenuBench::record(fileBefore, 129, 70));
    QCOMPARE(others, fileBefore);
}

void TestNamesRegister::nameFieldLength_data()
{
    QTest::addColumn<int>("typed");
    QTest::addColumn<int>("stored");
    QTest::newRow("66 whole") << 66 << 66;
    QTest::newRow("67 cut") << 67 << 66;
    QTest::newRow("80 cut") << 80 << 66;
    QTest::newRow("empty") << 0 << 0;
}

void TestNamesRegister::nameFieldLength()
{
    QFETCH(int, typed);
    QFETCH(int, stored);
    MenuBench bench;
    NamesRegister names(bench.state, bench.files);
    names.load();
    names.select(9);
    QString text;
    for (int i = 0; i < typed; ++i)
        text += QChar(u'А' + i % 32);
    names.setNameText(text);
    QVERIFY(names.saveName());
    QCOMPARE(bench.files.name(10), text.left(stored));

    NamesRegister again(bench.state, bench.files);
    again.load();
    again.select(9);
    QCOMPARE(again.nameText(), text.left(stored));
}

void TestNamesRegister::informationFileOfTheCurrentObject()
{
    MenuBench bench;
    NamesRegister names(bench.state, bench.files);
    names.load();
    names.select(2 * 128 + 16); // object 17 of module 3
    names.setInformationText(QStringLiteral("Ключ у съседа\nТел. 123"));
    QVERIFY(names.saveInformation());
    QCOMPARE(MenuBench::readAll(bench.dataFile(QStringLiteral("DI_3-17.dat"))),
             toCp1251(u"Ключ у съседа\r\nТел. 123\r\n"));
}

void TestNamesRegister::emptyInformationTextLeavesCrLf()
{
    MenuBench bench;
    MenuBench::writeAll(bench.dataFile(QStringLiteral("DI_1-1.dat")), "old text\r\n");
    NamesRegister names(bench.state, bench.files);
    names.load();
    names.setInformationText(QString());
    QVERIFY(names.saveInformation());
    QCOMPARE(MenuBench::readAll(bench.dataFile(QStringLiteral("DI_1-1.dat"))), QByteArray("\r\n"));
}

void TestNamesRegister::informationRoundTripKeepsTheFile()
{
    MenuBench bench;
    const QByteArray original = toCp1251(u"ред 1\r\n\r\nред 3\r\n");
    MenuBench::writeAll(bench.dataFile(QStringLiteral("DI_1-2.dat")), original);
    NamesRegister names(bench.state, bench.files);
    names.load();
    names.select(1);
    names.loadInformation();
    QCOMPARE(names.informationText(), QStringLiteral("ред 1\n\nред 3"));
    QVERIFY(names.saveInformation());
    QCOMPARE(MenuBench::readAll(bench.dataFile(QStringLiteral("DI_1-2.dat"))), original);
}

void TestNamesRegister::missingInformationFileEmptiesTheText()
{
    MenuBench bench;
    NamesRegister names(bench.state, bench.files);
    names.load();
    names.setInformationText(QStringLiteral("left over"));
    names.select(5);
    names.loadInformation();
    QCOMPARE(names.informationText(), QString());
    QVERIFY(!InformationFile(bench.state.DataDir, 6).exists());
}

// Name.dat there but unreadable (a directory in its place, which root cannot
// read either): the register says it could not be read, with the reason, the
// entries show the labels alone, and a name saved is refused and never
// written over the file nobody could read.
void TestNamesRegister::unreadableNameFileReadsEmptyAndSavesNothing()
{
    MenuBench bench;
    QVERIFY(bench.files.setName(3, QStringLiteral("Поща")));
    QVERIFY(test::makeUnopenable(bench.files.namePath()));
    NamesRegister names(bench.state, bench.files);
    names.load();
    QVERIFY2(names.nameProblem().startsWith(bench.files.namePath() + QStringLiteral(": ")),
             qPrintable(names.nameProblem()));
    QCOMPARE(names.entry(2), QStringLiteral(" 1-003  "));
    QSignalSpy refused(&names, &NamesRegister::readFailed);
    QSignalSpy failed(&names, &NamesRegister::writeFailed);
    QSignalSpy changed(&names, &NamesRegister::entryChanged);
    names.select(2);
    names.setNameText(QStringLiteral("Аптека"));
    QVERIFY(!names.saveName());
    QCOMPARE(refused.count(), 1);
    QCOMPARE(refused.first().first().toString(), bench.files.namePath());
    QCOMPARE(failed.count(), 0);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(names.entry(2), QStringLiteral(" 1-003  "));
    QVERIFY(QFileInfo(bench.files.namePath()).isDir());

    // Readable again: the next opening shows the names and saves them.
    QVERIFY(QDir().rmdir(bench.files.namePath()));
    names.load();
    QCOMPARE(names.nameProblem(), QString());
}

QTEST_GUILESS_MAIN(TestNamesRegister)
#include "tst_namesregister.moc"

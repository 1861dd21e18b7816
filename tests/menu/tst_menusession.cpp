#include "MenuBench.h"

#include "menu/MenuSession.h"

using namespace zelvan;
using namespace zelvan::test;

namespace {
const QByteArray kHandEdited =
    "[Notes]\r\nkept as it is\r\n\r\n"
    "[DirData]\r\n/data\r\n\r\n[Visible 0]\r\nN\r\n\r\n[System]\r\n0\r\n\r\n[Hub]\r\nY\r\n\r\n"
    "[CommPort]\r\n1\r\n4800,n,8,1\r\n2\r\n4800,n,8,1\r\n\r\n[Moduls]\r\nYYYYYYYY\r\n\r\n"
    "[Options]\r\n1\r\n1\r\n0\r\n1\r\n0\r\n0\r\n\r\n"
    "[FontPrinter]\r\nMS Sans Serif\r\n11\r\n0\r\n0\r\n\r\n[Tail]\r\nlast\r\n";
}

class TestMenuSession : public QObject
{
    Q_OBJECT
private slots:
    void openingSequence();
    void optionEffects_data();
    void optionEffects();
    void optionsAreSavedWhenLeavingTheSettingsTab_data();
    void optionsAreSavedWhenLeavingTheSettingsTab();
    void uncheckedViolationsWindowSurvivesARestart();
    void rewriteKeepsOtherLines();
    void fontChoice_data();
    void fontChoice();
    void leavingTheNamesTabLoadsTheInformation();
    void tabChangeCommands();
};

void TestMenuSession::openingSequence()
{
    MenuBench bench;
    bench.state.SystemNo = 3;
    QVERIFY(bench.files.setName(1, QStringLiteral("Поща")));
    MenuBench::writeAll(bench.dataFile(QStringLiteral("DI_1-1.dat")), toCp1251(u"ключ\r\n"));
    MenuSession session(bench.state, bench.screen, bench.files, bench.restore, bench.optionsFile,
                        bench.clock);
    session.open({QStringLiteral("Arial"), QStringLiteral("MS Sans Serif")});

    QCOMPARE(session.currentTab(), tabIndex(MenuTab::ArchiveRequest));
    QVERIFY(!session.options().settingsChanged());
    QCOMPARE(session.options().option(MenuOptions::ShowAlarms), true);
    QCOMPARE(session.options().option(MenuOptions::PanelOnTop), false);
    QCOMPARE(session.options().fontIndex(), 1);
    QCOMPARE(session.options().sizeIndex(), 2); // "11"
    QCOMPARE(session.names().currentIndex(), 0);
    QCOMPARE(session.names().nameText(), QStringLiteral("Поща"));
    QCOMPARE(session.names().objectLabel(), QStringLiteral("31-001"));
    QCOMPARE(session.names().informationText(), QStringLiteral("ключ"));
    QCOMPARE(session.board().code(), QStringLiteral("00"));
    QCOMPARE(session.board().caption(1), QStringLiteral("Батерия"));
    QCOMPARE(session.moduleCaption(8), QStringLiteral("Модул  38"));
    QVERIFY(MenuSession::aboutText().contains(QStringLiteral(
        "За използване на пълните възможностите на системата е необходимо софтуерът на "
        "изнесените модули да е Ver. 2.10.F или по-голяма.")));
}

void TestMenuSession::optionEffects_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<int>("window"); // 0 none, 1 violations, 2 events, 3 keypad
    QTest::newRow("Check1") << int(MenuOptions::ShowAlarms) << 1;
    QTest::newRow("Check2") << int(MenuOptions::ShowEvents) << 2;
    QTest::newRow("Check3") << int(MenuOptions::PanelOnTop) << 0;
    QTest::newRow("Check4") << int(MenuOptions::AlarmSound) << 0;
    QTest::newRow("Check5") << int(MenuOptions::EventSound) << 0;
    QTest::newRow("Check12") << int(MenuOptions::ShowKeypad) << 3;
}

void TestMenuSession::optionEffects()
{
    QFETCH(int, option);
    QFETCH(int, window);
    MenuBench bench;
    bench.screen.setAlarmsVisible(true);
    bench.screen.setEventsVisible(true);
    bench.screen.setKeypadVisible(true);
    const std::array<qint16*, 6> shared = {&bench.state.OptShowAlarms, &bench.state.OptShowEvents,
                                           &bench.state.OptPanelOnTop, &bench.state.OptAlarmSound,
                                           &bench.state.OptEventSound, &bench.state.OptShowKeypad};
    MenuSession session(bench.state, bench.screen, bench.files, bench.restore, bench.optionsFile,
                        bench.clock);
    session.open({});

    for (bool on : {false, true}) {
        session.options().setOption(option, on);
        QCOMPARE(*shared[size_t(option)], qint16(on ? 1 : 0));
        QVERIFY(session.options().settingsChanged());
        const std::array<bool, 3> visible = {bench.screen.alarmsVisible(),
                                             bench.screen.eventsVisible(),
                                             bench.screen.keypadVisible()};
        for (int w = 1; w <= 3; ++w)
            QCOMPARE(visible[size_t(w - 1)], w == window ? on : true);
    }
}

void TestMenuSession::optionsAreSavedWhenLeavingTheSettingsTab_data()
{
    QTest::addColumn<QList<int>>("tabs"); // visited after the change, in order
    QTest::addColumn<bool>("saved");
    QTest::newRow("settings to archive data")
        << QList<int>{tabIndex(MenuTab::Settings), tabIndex(MenuTab::ArchiveData)} << true;
    QTest::newRow("settings to restore")
        << QList<int>{tabIndex(MenuTab::Settings), tabIndex(MenuTab::Restore)} << true;
    QTest::newRow("stays on settings") << QList<int>{tabIndex(MenuTab::Settings)} << false;
    QTest::newRow("between other tabs")
        << QList<int>{tabIndex(MenuTab::ObjectsList), tabIndex(MenuTab::Information),
                      tabIndex(MenuTab::Restore)}
        << false;
}

void TestMenuSession::optionsAreSavedWhenLeavingTheSettingsTab()
{
    QFETCH(QList<int>, tabs);
    QFETCH(bool, saved);
    MenuBench bench;
    const QByteArray before = MenuBench::readAll(bench.ini.path());
    MenuSession session(bench.state, bench.screen, bench.files, bench.restore, bench.optionsFile,
                        bench.clock);
    session.open({});
    session.options().setOption(MenuOptions::EventSound, true);
    for (int tab : tabs)
        session.setCurrentTab(tab);
    QCOMPARE(MenuBench::readAll(bench.ini.path()) != before, saved);
    QCOMPARE(bench.ini.readOptions()[MenuOptions::EventSound], qint16(saved ? 1 : 0));
    QCOMPARE(session.options().settingsChanged(), !saved);

    session.leave();
    QCOMPARE(bench.ini.readOptions()[MenuOptions::EventSound], qint16(1));
    QVERIFY(!session.options().settingsChanged());
}

void TestMenuSession::uncheckedViolationsWindowSurvivesARestart()
{
    MenuBench bench;
    bench.screen.setAlarmsVisible(true);
    {
        MenuSession session(bench.state, bench.screen, bench.files, bench.restore,
                            bench.optionsFile, bench.clock);
        session.open({});
        session.setCurrentTab(MenuTab::Settings);
        session.options().setOption(MenuOptions::ShowAlarms, false);
        QVERIFY(!bench.screen.alarmsVisible());
        session.setCurrentTab(MenuTab::ObjectsList);
    }
    StationState restarted;
    bench.ini.readStartup().applyTo(restarted);
    QCOMPARE(restarted.OptShowAlarms, qint16(0));
    QCOMPARE(restarted.OptShowEvents, qint16(1));

    MenuSession reopened(bench.state, bench.screen, bench.files, bench.restore, bench.optionsFile,
                         bench.clock);
    reopened.open({});
    QVERIFY(!reopened.options().option(MenuOptions::ShowAlarms));
}

void TestMenuSession::rewriteKeepsOtherLines()
{
    MenuBench bench;
    MenuBench::writeAll(bench.ini.path(), kHandEdited);
    MenuSession session(bench.state, bench.screen, bench.files, bench.restore, bench.optionsFile,
                        bench.clock);
    session.open({QStringLiteral("Arial")});
    session.options().setOption(MenuOptions::PanelOnTop, true);
    session.options().setBold(true);
    session.leave();

    const QList<QByteArray> lines = MenuBench::readAll(bench.ini.path()).split('\n');
    const QList<QByteArray> old = kHandEdited.split('\n');
    QCOMPARE(lines.size(), old.size());
    const qsizetype options = old.indexOf("[Options]\r");
    const qsizetype font = old.indexOf("[FontPrinter]\r");
    for (qsizetype i = 0; i < old.size(); ++i) {
        const bool value = (i > options && i <= options + 6) || (i > font && i <= font + 4);
        if (!value)
            QCOMPARE(lines.at(i), old.at(i));
    }
    QCOMPARE(lines.at(options + 3).trimmed(), QByteArray("1"));
    QCOMPARE(lines.at(font + 1).trimmed(), QByteArray("Arial"));
    QCOMPARE(lines.at(font + 3).trimmed(), QByteArray("1"));
}

void TestMenuSession::fontChoice_data()
{
    QTest::addColumn<QStringList>("printerFonts");
    QTest::addColumn<int>("fontIndex");
    QTest::addColumn<QString>("savedName");
    QTest::newRow("stored name offered")
        << QStringList{QStringLiteral("MS Sans Serif"), QStringLiteral("Arial")} << 0
        << QStringLiteral("MS Sans Serif");
    QTest::newRow("stored name missing: last entry")
        << QStringList{QStringLiteral("Arial"), QStringLiteral("Courier")} << 1
        << QStringLiteral("Courier");
    QTest::newRow("no printer keeps the stored name")
        << QStringList{} << -1 << QStringLiteral("MS Sans Serif");
}

void TestMenuSession::fontChoice()
{
    QFETCH(QStringList, printerFonts);
    QFETCH(int, fontIndex);
    QFETCH(QString, savedName);
    MenuBench bench;
    MenuSession session(bench.state, bench.screen, bench.files, bench.restore, bench.optionsFile,
                        bench.clock);
    session.open(printerFonts);
    QCOMPARE(session.options().fontIndex(), fontIndex);
    session.options().selectSize(6);
    QVERIFY(session.options().settingsChanged());
    session.leave();
    const PrinterFont font = bench.ini.readPrinterFont();
    QCOMPARE(font.name, savedName);
    QCOMPARE(font.size, 18);
}

void TestMenuSession::leavingTheNamesTabLoadsTheInformation()
{
    MenuBench bench;
    MenuBench::writeAll(bench.dataFile(QStringLiteral("DI_2-3.dat")), "second\r\n");
    MenuSession session(bench.state, bench.screen, bench.files, bench.restore, bench.optionsFile,
                        bench.clock);
    session.open({});
    session.setCurrentTab(MenuTab::ObjectsList);
    session.names().select(130);                            // object 3 of module 2
    QCOMPARE(session.names().informationText(), QString()); // not yet: still on the tab
    session.openInformation();
    QCOMPARE(session.currentTab(), tabIndex(MenuTab::ObjectsInformation));
    QCOMPARE(session.names().informationText(), QStringLiteral("second"));
    session.names().setInformationText(QStringLiteral("changed"));
    QVERIFY(session.saveInformation());
    QCOMPARE(session.currentTab(), tabIndex(MenuTab::ObjectsList));
    QCOMPARE(MenuBench::readAll(bench.dataFile(QStringLiteral("DI_2-3.dat"))),
             QByteArray("changed\r\n"));
}

void TestMenuSession::tabChangeCommands()
{
    MenuBench bench;
    bench.state.KavelCode[131] = QStringLiteral("0A");
    MenuBench::writeAll(bench.dataFile(QStringLiteral("Mdl_4.dat")), "46000.5\r\nP1\r\n");
    MenuSession session(bench.state, bench.screen, bench.files, bench.restore, bench.optionsFile,
                        bench.clock);
    session.open({});
    QVERIFY(!session.restore().enabled(4));
    session.setCurrentTab(MenuTab::Restore);
    QVERIFY(session.restore().enabled(4));
    QVERIFY(session.restore().caption(4).endsWith(QStringLiteral("12:00:00")));

    RecordingOperatorActions operatorActions;
    session.setOperatorActions(&operatorActions);
    session.names().select(130);
    session.setCurrentTab(MenuTab::ObjectsConfiguration);
    QCOMPARE(session.board().codeIndex(), 10);
    session.board().setPeriod(20);
    QVERIFY(session.confirmBoard());
    // The journal says what the board's settings were and what they became.
    QCOMPARE(operatorActions.lines, QStringList{QStringLiteral("board 131 2 period 10->20")});
    QCOMPARE(session.currentTab(), tabIndex(MenuTab::ObjectsList));
    QCOMPARE(bench.state.KavelPeriod[131], 20);
    QCOMPARE(bench.state.KavelCode[131], QStringLiteral("0A"));
}

QTEST_GUILESS_MAIN(TestMenuSession)
#include "tst_menusession.moc"

#include "core/Labels.h"
#include "core/ScreenState.h"
#include "link/LinkTexts.h"
#include "link/StartupExchange.h"
#include "support/EngineFixture.h"
#include "support/ExchangeLines.h"

#include <QtTest>

using namespace zelvan;
using namespace zelvan::test;

namespace {

// The engine with its start-up exchange; module 1..8 enabled, hub topology.
struct Run
{
    EngineFixture f;
    StartupExchange exchange{f.context()};

    void lines(const QStringList& lines, int m)
    {
        for (const QString& l : lines)
            exchange.HandleStartupLine(l, m);
    }
    void versionReply(int m, const QString& groups = QStringLiteral("YYYYYYYY"))
    {
        lines({QString(linktexts::kModuleBanner), QStringLiteral(".Ver 2.1"),
               ExchangeLines::groupLine(groups)},
              m);
    }
    // The whole exchange of module m: version reply, dump A, dump B.
    void fullExchange(int m, const QByteArray& letters = ExchangeLines::letters(),
                      const QByteArray& params = QByteArray(256, '\0'))
    {
        versionReply(m);
        lines(ExchangeLines::dumpA(params), m);
        lines(ExchangeLines::dumpB(letters), m);
    }
    QByteArray port1() { return f.takeWritten(1); }
};

const QByteArray kProbe = "}0\r}1\r}2\r}3\r}4\r}5\r}6\r}7\r}8\r";

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void groupLine_data()
    {
        QTest::addColumn<QString>("groups");
        QTest::addColumn<QList<int>>("installedGroups");
        QTest::addColumn<QString>("objectsLabel");
        QTest::newRow("YYNNYYNN") << "YYNNYYNN" << QList<int>{0, 1, 4, 5} << "Обекти - 64Б";
        QTest::newRow("any letter but N") << "x?NNNNN1" << QList<int>{0, 1, 7} << "Обекти - 48Б";
        QTest::newRow("lower-case n installs") << "nNNNNNNN" << QList<int>{0} << "Обекти - 16Б";
        QTest::newRow("none") << "NNNNNNNN" << QList<int>{} << "Обекти - 0Б";
    }
    void groupLine()
    {
        QFETCH(QString, groups);
        QFETCH(QList<int>, installedGroups);
        QFETCH(QString, objectsLabel);
        Run r;
        r.f.state.ObjInstalled.fill(-1); // stale installation is overwritten
        r.versionReply(3, groups);
        for (int n = 1; n <= 128; ++n) {
            const bool want = installedGroups.contains((n - 1) / 16);
            QCOMPARE(r.f.state.ObjInstalled[size_t(256 + n)], qint16(want ? -1 : 0));
        }
        QCOMPARE(r.f.screen.splash().objects, objectsLabel);
        QCOMPARE(r.f.screen.splash().modules, QStringLiteral("Модул - 3"));
        QCOMPARE(r.f.screen.splash().linkTest, QStringLiteral("  Zelvan MDL v2.1\rVer 2.1"));
        QCOMPARE(r.f.screen.mainTitle(), QStringLiteral("Zelvan U2  - Panel"));
        QCOMPARE(r.f.state.StartupModule, qint16(3));
        QCOMPARE(r.port1(), kProbe + "}3mon\rRB600,100\r");
        QCOMPARE(r.f.dayFileLines().size(), 1);
        QVERIFY(r.f.dayFileLines().at(0).startsWith("000083"));
        QVERIFY(r.f.dayFileLines().at(0).endsWith('3'));
        QCOMPARE(r.f.events.count(), 1);
        QCOMPARE(r.f.events.line(0),
                 QStringLiteral("C 12:00:00  Стартирана система Zelvan 064  Модул 03"));
    }

    void groupLineClearsModuleViolationsAndBeeps()
    {
        Run r;
        r.f.state.OptEventSound = 1;
        r.f.alarms.addViolation(QStringLiteral("  2-005  a"));
        r.f.alarms.addViolation(QStringLiteral("  3-005  b"));
        r.versionReply(2);
        QCOMPARE(r.f.alarms.lines(), QStringList{QStringLiteral("  3-005  b")});
        QCOMPARE(r.f.beeper.count, 1);
    }

    void lockKeepsSecondModuleWaiting()
    {
        Run r;
        r.versionReply(1);
        r.port1();
        r.versionReply(2, QStringLiteral("YNNNNNNN"));
        QCOMPARE(r.f.state.StartupModule, qint16(1));
        QCOMPARE(r.f.state.ObjInstalled[129], qint16(-1)); // groups still recorded
        QCOMPARE(r.f.state.ObjInstalled[145], qint16(0));
        QCOMPARE(r.port1(), kProbe); // no "mon" for module 2
        QCOMPARE(r.f.dayFileLines().size(), 1);
    }

    void bannerRestartsModule()
    {
        Run r;
        r.f.state.ModuleStarted[4] = true;
        r.f.state.ModuleWasAnswering[4] = false;
        r.f.state.ModuleVersionText[4] = QStringLiteral("old");
        r.exchange.HandleStartupLine(QString(linktexts::kModuleBanner), 4);
        QVERIFY(!r.f.state.ModuleStarted[4]);
        QVERIFY(r.f.state.ModuleWasAnswering[4]);
        QVERIFY(r.f.screen.splash().visible);
        QCOMPARE(r.f.state.ModuleVersionText[4], QStringLiteral("  Zelvan MDL v2.1"));
    }

    void disabledModuleIgnored()
    {
        Run r;
        r.f.state.ModuleEnabled[5] = false;
        r.fullExchange(5, ExchangeLines::letters('P'));
        QCOMPARE(r.f.state.StartupModule, qint16(0));
        QVERIFY(!r.f.state.ModuleStarted[5]);
        QCOMPARE(r.f.state.ObjState[513], qint16(0));
        QVERIFY(r.port1().isEmpty());
    }

    void dumpADecoded()
    {
        Run r;
        QByteArray params(256, '\0');
        params[0] = char(0x7F);   // byte 1: ObjParamA of object 1
        params[127] = char(0xC8); // byte 128: ObjParamA of object 128
        params[128] = char(0x3C); // byte 129: B and C of object 1
        params[255] = char(0xF0); // byte 256: B and C of object 128
        r.versionReply(2);
        r.port1();
        r.lines(ExchangeLines::dumpA(params), 2);
        QCOMPARE(r.f.state.ObjParamA[129], qint16(127));
        QCOMPARE(r.f.state.ObjParamB[129], qint16(3));
        QCOMPARE(r.f.state.ObjParamC[129], qint16(12));
        QCOMPARE(r.f.state.ObjParamA[256], qint16(200));
        QCOMPARE(r.f.state.ObjParamB[256], qint16(15));
        QCOMPARE(r.f.state.ObjParamC[256], qint16(0));
        QCOMPARE(r.port1(), kProbe + "}2R2400,80\r");
        QCOMPARE(r.f.screen.splash().progress, 67); // 16 of 24 lines
    }

    void damagedDumpAskedAgain_data()
    {
        QTest::addColumn<bool>("inDumpA");
        QTest::addColumn<QString>("damage"); // replaces the first digit of line 3
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("countAfter");
        QTest::newRow("dump A, 511 digits") << true << "x" << QByteArray("}1mon\rRB600,100\r") << 0;
        QTest::newRow("dump A, lower-case digit")
            << true << "a" << QByteArray("}1mon\rRB600,100\r") << 0;
        QTest::newRow("dump A, 513 digits")
            << true << "AA" << QByteArray("}1mon\rRB600,100\r") << 0;
        QTest::newRow("dump B, 255 digits") << false << "-" << QByteArray("}1R2400,80\r") << 16;
        QTest::newRow("dump B, lower-case digit")
            << false << "f" << QByteArray("}1R2400,80\r") << 16;
    }
    void damagedDumpAskedAgain()
    {
        QFETCH(bool, inDumpA);
        QFETCH(QString, damage);
        QFETCH(QByteArray, request);
        QFETCH(int, countAfter);
        Run r;
        r.versionReply(1);
        if (!inDumpA)
            r.lines(ExchangeLines::dumpA(QByteArray(256, '\x11')), 1);
        r.port1();
        QStringList lines = inDumpA ? ExchangeLines::dumpA(QByteArray(256, '\x11'))
                                    : ExchangeLines::dumpB(ExchangeLines::letters('P'));
        // Keep the line 49 characters long: the damage replaces as many blanks as it adds.
        lines[2].replace(2, 1, damage);
        lines[2].remove(lines[2].lastIndexOf(QLatin1Char(' ')), damage.size() - 1);
        QCOMPARE(lines[2].size(), 49);
        r.lines(lines, 1);
        QCOMPARE(r.port1(), kProbe + request);
        QCOMPARE(int(r.f.state.DumpLineCount[1]), countAfter);
        QVERIFY(!r.f.state.ModuleStarted[1]);
        QCOMPARE(r.f.state.ObjState[5], qint16(0));
        QVERIFY(r.f.state.DumpB[1].isEmpty());
        if (inDumpA)
            QVERIFY(r.f.state.DumpA[1].isEmpty());
        // The repeated dump completes the exchange.
        if (inDumpA)
            r.lines(ExchangeLines::dumpA(QByteArray(256, '\x11')), 1);
        r.lines(ExchangeLines::dumpB(ExchangeLines::letters('P')), 1);
        QVERIFY(r.f.state.ModuleStarted[1]);
        QCOMPARE(r.f.state.ObjState[5], qint16(Taken));
    }

    void stateLetters_data()
    {
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("N") << 'N' << 2 << 0;
        QTest::newRow("O") << 'O' << 1 << 0;
        QTest::newRow("P") << 'P' << 0 << 1;
        QTest::newRow("A") << 'A' << 0 << 2;
        QTest::newRow("T") << 'T' << 0 << 3;
        QTest::newRow("other keeps") << 'X' << 2 << 2;
        QTest::newRow("lower-case keeps") << 'p' << 3 << 3;
    }
    void stateLetters()
    {
        QFETCH(char, letter);
        QFETCH(int, before);
        QFETCH(int, after);
        Run r;
        r.f.state.ObjState[140] = qint16(before); // module 2, object 12
        QByteArray letters = ExchangeLines::letters();
        letters[11] = letter;
        r.fullExchange(2, letters);
        QCOMPARE(int(r.f.state.ObjState[140]), after);
    }

    void finishingReportsTakenAndViolated()
    {
        Run r;
        r.f.files.setName(261, QStringLiteral("Магазин"));
        r.f.files.setName(262, QStringLiteral("Склад"));
        QByteArray letters = ExchangeLines::letters();
        letters[4] = 'P'; // object 5
        letters[5] = 'A'; // object 6
        r.versionReply(3);
        r.lines(ExchangeLines::dumpA(QByteArray(256, '\0')), 3);
        r.port1();
        r.f.events.PostEvent(QStringLiteral("X "), r.f.clock.now(), QStringLiteral("before"));
        r.lines(ExchangeLines::dumpB(letters), 3);

        // Monitor mode off, then the chain asks the next module that is not started.
        QCOMPARE(r.port1(), kProbe + "}3NOMON\r}1Ver\r\r");
        const QString label5 = FormatObjectLabel(r.f.state, 261);
        const QString label6 = FormatObjectLabel(r.f.state, 262);
        QCOMPARE(r.f.events.lines().mid(2),
                 (QStringList{QStringLiteral("П 12:00:00 ") + label5 + QStringLiteral("  Магазин"),
                              QStringLiteral("H 12:00:00 ") + label6 + QStringLiteral("  Склад")}));
        QCOMPARE(r.f.alarms.lines(), QStringList{label6 + QStringLiteral("  Склад")});
        const QByteArrayList records = r.f.dayFileLines();
        QCOMPARE(records.size(), 3);
        QVERIFY(records[1].startsWith("026180"));
        QVERIFY(records[2].startsWith("026265"));
        QCOMPARE(r.f.grid.ribbon(2), 1);  // module 3, objects 1..64
        QCOMPARE(r.f.grid.ribbon(10), 0); // module 3, objects 65..128
        QVERIFY(r.f.state.ModuleStarted[3]);
        QCOMPARE(r.f.state.StartupModule, qint16(0));
        QCOMPARE(r.f.screen.splash().progress, 100);
    }

    void finishingSelectsTheShownPage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QList<int>>("selected");
        QTest::newRow("objects 65..128 of module 3") << 10 << QList<int>{10};
        QTest::newRow("objects 1..64 of module 3") << 2 << QList<int>{2};
        QTest::newRow("page of module 1: left alone") << 0 << QList<int>{};
        QTest::newRow("page of module 6: left alone") << 13 << QList<int>{};
    }
    void finishingSelectsTheShownPage()
    {
        QFETCH(int, page);
        QFETCH(QList<int>, selected);
        Run r;
        r.f.state.CurrentPage = qint16(page);
        r.fullExchange(3);
        QVERIFY(r.f.state.ModuleStarted[3]);
        QCOMPARE(r.f.panel.selectedPages, selected);
    }

    void splashShownAnewStartsFromItsOwnTexts()
    {
        Run r;
        r.fullExchange(3);
        QCOMPARE(r.f.screen.splash().progress, 100);
        QVERIFY(!r.f.screen.splash().modules.endsWith(QStringLiteral("-")));
        r.f.screen.setSplashVisible(false);
        // Module 5 restarts: its banner brings the window back, empty.
        r.exchange.HandleStartupLine(QString(linktexts::kModuleBanner), 5);
        const ScreenState::Splash& s = r.f.screen.splash();
        QVERIFY(s.visible);
        QCOMPARE(s.progress, 0);
        // Empty: the window shows its own texts again.
        QVERIFY(s.modules.isEmpty());
        QVERIFY(s.objects.isEmpty());
        QVERIFY(s.linkTest.isEmpty());
    }

    void extraDumpLinesClampProgress()
    {
        Run r;
        r.fullExchange(1);
        r.port1();
        r.lines(ExchangeLines::dumpB(ExchangeLines::letters('A')), 1); // lines 25..32
        QCOMPARE(int(r.f.state.DumpLineCount[1]), 32);
        QCOMPARE(r.f.screen.splash().progress, 100);
        QVERIFY(r.f.state.ModuleStarted[1]);
        QCOMPARE(r.f.state.ObjState[1], qint16(0));
        QCOMPARE(r.f.alarms.count(), 0);
        QVERIFY(r.port1().isEmpty());
    }

    void endlessDumpLinesKeepDumpBBounded()
    {
        // A line that keeps sending 49-character lines after the exchange,
        // well past the line counter's cap: dump B holds at most its 8 lines.
        Run r;
        r.fullExchange(1);
        const QStringList extra = ExchangeLines::dumpB(ExchangeLines::letters('A'));
        for (int i = 0; i < 5000; ++i)
            r.lines(extra, 1);
        QCOMPARE(int(r.f.state.DumpLineCount[1]), 32767);
        QVERIFY2(r.f.state.DumpB[1].size() <= linktexts::kDumpLineLength * 8,
                 qPrintable(QString::number(r.f.state.DumpB[1].size())));
        QCOMPARE(r.f.state.ObjState[1], qint16(0));
        // A new exchange still works from the start.
        r.fullExchange(1, ExchangeLines::letters('P'));
        QCOMPARE(r.f.state.ObjState[1], qint16(Taken));
    }

    void chainShowsMainAfterLastModule_data()
    {
        QTest::addColumn<QString>("moduls");
        QTest::addColumn<QList<int>>("order");
        QTest::newRow("1 and 3") << "YNYNNNNN" << QList<int>{1, 3};
        QTest::newRow("all eight") << "YYYYYYYY" << QList<int>{1, 2, 3, 4, 5, 6, 7, 8};
        QTest::newRow("only 8") << "NNNNNNNY" << QList<int>{8};
    }
    void chainShowsMainAfterLastModule()
    {
        QFETCH(QString, moduls);
        QFETCH(QList<int>, order);
        Run r;
        for (int m = 1; m <= 8; ++m)
            r.f.state.ModuleEnabled[size_t(m)] = moduls[m - 1] == QLatin1Char('Y');
        r.f.state.OptShowAlarms = 1;
        r.f.state.OptShowEvents = 0;
        r.f.state.OptShowKeypad = 1;
        r.f.screen.setSplashVisible(true);
        for (int i = 0; i < order.size(); ++i) {
            QVERIFY(!r.f.screen.mainVisible());
            r.port1();
            r.fullExchange(order[i]);
            const QByteArray written = r.port1();
            if (i + 1 < order.size()) {
                QVERIFY(written.endsWith("}" + QByteArray::number(order[i + 1]) + "Ver\r\r"));
                QVERIFY(r.f.screen.splash().visible);
            } else {
                QVERIFY(!written.contains("Ver"));
            }
        }
        QVERIFY(r.f.screen.mainVisible());
        QVERIFY(!r.f.screen.splash().visible);
        QVERIFY(!r.f.state.FirstStartPending);
        QVERIFY(r.f.screen.alarmsVisible());
        QVERIFY(!r.f.screen.eventsVisible());
        QVERIFY(r.f.screen.keypadVisible());
    }

    void startMdlPassesOverSilentModules()
    {
        Run r;
        r.f.state.ModuleWasAnswering.fill(false);
        r.f.state.ModuleAnswered.fill(false);
        r.f.state.ModuleAnswered[6] = true;
        r.f.state.ModuleStarted[2] = true;
        r.f.state.ModuleWasAnswering[2] = true;
        r.exchange.StartMdl();
        QCOMPARE(r.port1(), QByteArray("}6Ver\r\r"));
        r.f.state.ModuleStarted[6] = true;
        r.exchange.StartMdl();
        QVERIFY(r.port1().isEmpty());
        QVERIFY(r.f.screen.mainVisible());
        // Later calls only close the start-up window.
        r.f.screen.setMainVisible(false);
        r.f.screen.setSplashVisible(true);
        r.exchange.StartMdl();
        QVERIFY(!r.f.screen.mainVisible());
        QVERIFY(!r.f.screen.splash().visible);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"

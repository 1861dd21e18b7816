#include "core/LineShare.h"
#include "link/LinkSupervisor.h"
#include "link/ModuleStateFile.h"
#include "link/StartupExchange.h"
#include "support/EngineFixture.h"

#include <QFile>
#include <QtTest>

using namespace zelvan;
using namespace zelvan::test;

namespace {

struct Run
{
    EngineFixture f;
    StartupExchange exchange{f.context()};
    LinkSupervisor supervisor{f.context(), exchange};

    Run()
    {
        // Running station: modules 1..8 enabled, started and answering.
        f.state.FirstStartPending = false;
        for (int m = 1; m <= 8; ++m) {
            f.state.ModuleStarted[size_t(m)] = true;
            f.state.ModuleWasAnswering[size_t(m)] = true;
        }
    }
    void answer(std::initializer_list<int> modules)
    {
        for (int m : modules)
            f.state.ModuleAnswered[size_t(m)] = true;
    }
    void answerAllBut(std::initializer_list<int> silent)
    {
        for (int m = 1; m <= 8; ++m)
            f.state.ModuleAnswered[size_t(m)] = !std::count(silent.begin(), silent.end(), m);
    }
    QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString mdlPath(int m) { return ModuleStateFile(f.state.DataDir, m).path(); }
};

// The line as a panel on standby sees it.
struct Standby : LineShare
{
    bool partnerAsks = true;
    bool writes() const override { return false; }
    bool silenceIsLoss() const override { return partnerAsks; }
};

const QByteArray kProbe = "}0\r}1\r}2\r}3\r}4\r}5\r}6\r}7\r}8\r";

} // namespace

class TestSupervision : public QObject
{
    Q_OBJECT
private slots:
    void linkLostText_data()
    {
        QTest::addColumn<int>("systemNo");
        QTest::addColumn<QString>("showZero");
        QTest::addColumn<QList<int>>("silent");
        QTest::addColumn<QString>("text");
        QTest::newRow("module 2, prefix shown")
            << 0 << "Y" << QList<int>{2} << "Комуникацията с  модул\r02 е прекъсната!";
        QTest::newRow("modules 1 and 3")
            << 0 << "Y" << QList<int>{1, 3} << "Комуникацията с  модули\r01,03 е прекъсната!";
        QTest::newRow("no prefix")
            << 0 << "N" << QList<int>{1, 3, 8} << "Комуникацията с  модули\r1,3,8 е прекъсната!";
        QTest::newRow("system 4") << 4 << "N" << QList<int>{5}
                                  << "Комуникацията с  модул\r45 е прекъсната!";
    }
    void linkLostText()
    {
        QFETCH(int, systemNo);
        QFETCH(QString, showZero);
        QFETCH(QList<int>, silent);
        QFETCH(QString, text);
        Run r;
        r.f.state.SystemNo = qint16(systemNo);
        r.f.state.ShowSystemZero = showZero;
        for (int m = 1; m <= 8; ++m)
            r.f.state.ModuleAnswered[size_t(m)] = !silent.contains(m);
        r.supervisor.tick();
        QVERIFY(r.f.screen.linkLost().visible);
        QCOMPARE(r.f.screen.linkLost().text, text);
        QCOMPARE(r.f.events.count(), silent.size());
    }

    void silentDisabledModuleNotReported()
    {
        Run r;
        r.f.state.ModuleEnabled[7] = false;
        r.f.screen.setLinkLostVisible(true);
        r.answerAllBut({7});
        r.supervisor.tick();
        QVERIFY(!r.f.screen.linkLost().visible);
        QCOMPARE(r.f.events.count(), 0);
        QVERIFY(r.f.dayFileLines().isEmpty());
    }

    void lostModuleRecordedOnce()
    {
        Run r;
        r.f.state.ShowSystemZero = QStringLiteral("Y");
        r.f.state.OptEventSound = 1;
        r.f.state.CurrentPage = 9;
        r.f.state.ObjInstalled.fill(-1);
        r.f.state.ObjState[128 + 5] = Taken;
        r.f.state.ObjState[128 + 77] = Violated;
        r.f.state.ObjState[128 + 128] = TakeRequested;
        r.f.state.ObjState[128 + 6] = Released;
        r.f.state.ObjState[257] = Taken; // module 3: not saved with module 2
        r.answerAllBut({2});
        r.f.takeWritten(1);
        r.supervisor.tick();

        QCOMPARE(r.f.events.lines(),
                 QStringList{QStringLiteral("К 12:00:00  Прекъсната връзка с Модул 02")});
        QCOMPARE(r.f.beeper.count, 1);
        QCOMPARE(r.f.panel.selectedPages, QList<int>{9});
        QVERIFY(!r.f.state.ModuleStarted[2]);
        for (int k = 129; k <= 256; ++k)
            QCOMPARE(r.f.state.ObjInstalled[size_t(k)], qint16(0));
        QCOMPARE(r.f.state.ObjInstalled[128], qint16(-1));
        QCOMPARE(r.f.state.ObjInstalled[257], qint16(-1));
        const QByteArrayList records = r.f.dayFileLines();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0], QByteArray("0000865000002"));
        QCOMPARE(r.readFile(r.mdlPath(2)), QByteArray("46363.5\r\nP5\r\nP77\r\nP128\r\n"));
        QCOMPARE(r.f.takeWritten(1), kProbe);

        // Still silent at the next ticks: reported, but not recorded again.
        r.f.clock.advanceMs(10000);
        r.answerAllBut({2});
        r.supervisor.tick();
        r.answerAllBut({2});
        r.supervisor.tick();
        QVERIFY(r.f.screen.linkLost().visible);
        QCOMPARE(r.f.events.count(), 1);
        QCOMPARE(r.f.dayFileLines().size(), 1);
        QCOMPARE(r.f.beeper.count, 1);
    }

    void nothingUnderGuardKeepsOldStateFile()
    {
        Run r;
        QFile old(r.mdlPath(4));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("46000\r\nP9\r\n");
        old.close();
        r.answerAllBut({4});
        r.supervisor.tick();
        QCOMPARE(r.readFile(r.mdlPath(4)), QByteArray("46000\r\nP9\r\n"));
        QCOMPARE(r.f.dayFileLines().size(), 1);
    }

    void stateFileFailureShown()
    {
        Run r;
        r.f.state.ObjState[1] = Taken;
        QVERIFY(QDir().mkpath(r.mdlPath(1))); // a directory where the file belongs
        r.answerAllBut({1});
        r.supervisor.tick();
        QVERIFY(r.f.screen.problem().contains(QStringLiteral("Mdl_1.dat")));
        QCOMPARE(r.f.dayFileLines().size(), 1); // the loss itself is still recorded
        QCOMPARE(r.supervisor.unsavedCount(), 1);
    }

    // The saved state of a lost module is not dropped when its file cannot be
    // written: each tick tries again, until it is written with the time of the
    // loss; the operator's notice goes when it is.
    void failedStateFileRetriedAtEachTick()
    {
        Run r;
        r.f.state.ObjState[1] = Taken;
        r.f.state.ObjState[3] = Violated;
        QVERIFY(QDir().mkpath(r.mdlPath(1)));
        r.answerAllBut({1});
        r.supervisor.tick();
        QVERIFY(r.f.screen.problem().contains(QStringLiteral("Mdl_1.dat")));

        r.f.clock.advanceMs(10000);
        r.f.state.ObjState[1] = Released; // later changes do not alter what was saved
        r.answerAllBut({1});
        r.supervisor.tick();
        QCOMPARE(r.supervisor.unsavedCount(), 1);
        QVERIFY(r.f.screen.problem().contains(QStringLiteral("Mdl_1.dat")));

        QVERIFY(QDir().rmdir(r.mdlPath(1)));
        r.f.clock.advanceMs(10000);
        r.answerAllBut({1});
        r.supervisor.tick();
        QCOMPARE(r.supervisor.unsavedCount(), 0);
        QCOMPARE(r.readFile(r.mdlPath(1)), QByteArray("46363.5\r\nP1\r\nP3\r\n"));
        QVERIFY(r.f.screen.problem().isEmpty());
        QCOMPARE(r.f.dayFileLines().size(), 1);
    }

    // On standby nothing is written, and a silent module is lost only where
    // the active panel asks (another module answered in the period).
    void standbyCountsSilenceOnlyWhileAsked_data()
    {
        QTest::addColumn<bool>("partnerAsks");
        QTest::addColumn<QList<int>>("answering");
        QTest::addColumn<int>("records");
        QTest::newRow("asked, module 2 silent") << true << QList<int>{1, 3, 4, 5, 6, 7, 8} << 1;
        QTest::newRow("asked, nobody answers") << true << QList<int>{} << 0;
        QTest::newRow("partner not active") << false << QList<int>{1, 3, 4, 5, 6, 7, 8} << 0;
    }
    void standbyCountsSilenceOnlyWhileAsked()
    {
        QFETCH(bool, partnerAsks);
        QFETCH(QList<int>, answering);
        QFETCH(int, records);
        Run r;
        Standby standby;
        standby.partnerAsks = partnerAsks;
        r.supervisor.setLineShare(&standby);
        r.f.state.FirstStartPending = true;
        for (int m : answering)
            r.f.state.ModuleAnswered[size_t(m)] = true;
        r.supervisor.tick();
        QCOMPARE(r.f.dayFileLines().size(), records);
        QCOMPARE(r.f.screen.linkLost().visible, records > 0);
        QCOMPARE(r.f.takeWritten(1), QByteArray());
        // Its windows come up without an exchange of its own.
        QVERIFY(r.f.screen.mainVisible());
        // A module coming back is left to the active panel's exchange.
        r.answerAllBut({});
        r.supervisor.tick();
        QCOMPARE(r.f.takeWritten(1), QByteArray());
    }

    void returningModuleStartedAgain()
    {
        Run r;
        r.answerAllBut({2, 5});
        r.supervisor.tick();
        r.f.takeWritten(1);
        // Module 5 comes back, module 2 stays silent.
        r.answerAllBut({2});
        r.supervisor.tick();
        QCOMPARE(r.f.takeWritten(1), QByteArray("}5Ver\r\r") + kProbe);
        QCOMPARE(r.f.screen.linkLost().text,
                 QStringLiteral("Комуникацията с  модул\r2 е прекъсната!"));
    }

    void watchdog_data()
    {
        QTest::addColumn<QTime>("started");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<bool>("answering");
        QTest::addColumn<bool>("abandoned");
        const QDate day(2026, 12, 7);
        QTest::newRow("10 s, answering")
            << QTime(12, 0, 0) << QDateTime(day, QTime(12, 0, 10)) << true << false;
        QTest::newRow("15 s exactly")
            << QTime(12, 0, 0) << QDateTime(day, QTime(12, 0, 15)) << true << false;
        QTest::newRow("16 s") << QTime(12, 0, 0) << QDateTime(day, QTime(12, 0, 16)) << true
                              << true;
        QTest::newRow("silent") << QTime(12, 0, 0) << QDateTime(day, QTime(12, 0, 1)) << false
                                << true;
        QTest::newRow("23:59:55 to 00:00:05")
            << QTime(23, 59, 55) << QDateTime(day.addDays(1), QTime(0, 0, 5)) << true << false;
        QTest::newRow("23:59:55 to 00:00:11")
            << QTime(23, 59, 55) << QDateTime(day.addDays(1), QTime(0, 0, 11)) << true << true;
    }
    void watchdog()
    {
        QFETCH(QTime, started);
        QFETCH(QDateTime, now);
        QFETCH(bool, answering);
        QFETCH(bool, abandoned);
        Run r;
        r.f.state.ModuleStarted[3] = false;
        r.f.state.StartupModule = 3;
        r.f.state.StartupTime = float(started.msecsSinceStartOfDay() / 1000.0);
        r.f.clock.set(now);
        r.answerAllBut(answering ? std::initializer_list<int>{} : std::initializer_list<int>{3});
        r.f.takeWritten(1);
        r.supervisor.tick();
        QCOMPARE(r.f.state.StartupModule, qint16(abandoned ? 0 : 3));
        // An abandoned exchange is not asked again until the module qualifies.
        QVERIFY(!r.f.takeWritten(1).contains("Ver"));
        if (abandoned) {
            QVERIFY(!r.f.state.ModuleStarted[3]);
            QVERIFY(!r.f.state.ModuleWasAnswering[3]);
            QVERIFY(!r.f.state.ModuleAnswered[3]);
        }
    }

    void silentModuleDoesNotHoldStartUpForEver()
    {
        Run r;
        // Start-up: modules 1 and 2 finished their exchanges, module 3 was
        // asked for its version and never answered.
        r.f.state.FirstStartPending = true;
        r.f.screen.setSplashVisible(true);
        r.f.state.ModuleEnabled.fill(false);
        for (int m : {1, 2, 3})
            r.f.state.ModuleEnabled[size_t(m)] = true;
        r.f.state.ModuleStarted[3] = false;
        r.answer({1, 2});
        r.supervisor.tick();
        QVERIFY(r.f.screen.mainVisible());
        QVERIFY(!r.f.screen.splash().visible);
        QVERIFY(!r.f.state.FirstStartPending);
        QVERIFY(r.f.screen.linkLost().visible);

        // Module 3 answers later and is started as a returning module.
        r.f.takeWritten(1);
        r.answer({1, 2, 3});
        r.supervisor.tick();
        QVERIFY(r.f.takeWritten(1).startsWith("}3Ver\r\r"));
    }

    void noExchangeRestartWhileOneRuns()
    {
        Run r;
        r.f.state.FirstStartPending = true;
        r.f.state.ModuleStarted[2] = false;
        r.f.state.StartupModule = 2;
        r.f.state.StartupTime = 12 * 3600;
        r.answer({1, 2, 3, 4, 5, 6, 7, 8});
        r.f.takeWritten(1);
        r.supervisor.tick();
        QCOMPARE(r.f.takeWritten(1), kProbe);
        QVERIFY(!r.f.screen.mainVisible());
    }

    void housekeepingRunsFirst()
    {
        Run r;
        QStringList order;
        r.supervisor.setHousekeeping([&] { order << QString::fromLatin1(r.f.port1.written()); });
        r.answerAllBut({});
        r.supervisor.tick();
        QCOMPARE(order, QStringList{QString()});
    }
};

QTEST_GUILESS_MAIN(TestSupervision)
#include "tst_supervision.moc"

#include "app/Station.h"
#include "core/ObjectFiles.h"
#include "events/DayArchive.h"
#include "journal/Journal.h"
#include "journal/JournalKey.h"
#include "journal/JournalVerifier.h"
#include "link/StartupExchange.h"
#include "panel/MainPanelModel.h"
#include "support/Fakes.h"
#include "support/StationIni.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvan;
using namespace zelvan::test;

namespace {

struct IniValues
{
    QString dataDir; // empty: <home>/Data
    QString hub = QStringLiteral("Y");
    QString port1 = QStringLiteral("1");
    QString port2 = QStringLiteral("2");
    QString moduls = QStringLiteral("YYYYYYYY");
};

// A station over fake lines in a temporary program directory.
struct Run
{
    QTemporaryDir home;
    FakeClock clock;
    CountingBeeper beeper;
    FakeSerialLine port1;
    FakeSerialLine port2;
    Station station{clock, beeper, port1, port2, home.path()};

    void writeIni(const IniValues& v)
    {
        StationIniOptions o;
        o.dataDir = v.dataDir;
        o.hub = v.hub;
        o.port2 = v.port2;
        o.settings2 = QStringLiteral("9600,e,7,1");
        o.moduls = v.moduls;
        QVERIFY(writeStationIni(home.path(), v.port1, o));
    }
};

const QByteArray kProbe = "}0\r}1\r}2\r}3\r}4\r}5\r}6\r}7\r}8\r";

} // namespace

class TestStation : public QObject
{
    Q_OBJECT
private slots:
    void firstStartWritesDefaultsAndAsksModuleOne()
    {
        Run r;
        const Station::LoadResult result = r.station.load();
        QVERIFY2(result.ok, qPrintable(result.message));
        QVERIFY(QFile::exists(r.home.filePath(QStringLiteral("zelvan.ini"))));
        const QString data = r.station.state().DataDir;
        QVERIFY(QFileInfo(data).isDir());
        for (const char* name : {"Name.dat", "Color.dat", "Kavel.dat"})
            QVERIFY2(QFile::exists(QDir(data).filePath(QLatin1String(name))), name);
        // Port 1: CR on opening, hub wake-up, probe, the first version request.
        QCOMPARE(r.port1.written(), QByteArray("\r}0\r\r") + kProbe + "}1Ver\r");
        QCOMPARE(r.port2.written(), QByteArray("\r"));
        QCOMPARE(r.port1.openedSettings(), QStringLiteral("4800,n,8,1"));
        const ScreenState& screen = r.station.screen();
        QVERIFY(screen.splash().visible);
        QVERIFY(!screen.mainVisible());
        QVERIFY(r.station.state().FirstStartPending);
        QVERIFY(r.station.tickTimer().isActive());
        QCOMPARE(r.station.tickTimer().interval(), 10000);
        for (int m = 1; m <= 8; ++m) {
            QVERIFY(r.station.state().ModuleEnabled[size_t(m)]);
            QVERIFY(r.station.state().ModuleWasAnswering[size_t(m)]);
            QVERIFY(!r.station.state().ModuleStarted[size_t(m)]);
        }
    }

    void firstVersionRequest_data()
    {
        QTest::addColumn<QString>("hub");
        QTest::addColumn<QString>("moduls");
        QTest::addColumn<QString>("port2");
        QTest::addColumn<QByteArray>("port1Written");
        QTest::addColumn<QByteArray>("port2Written");
        QTest::addColumn<bool>("port2Open");
        QTest::newRow("hub, modules 3 and 5")
            << "Y"
            << "NNYNYNNN"
            << "2" << QByteArray("\r}0\r\r") + kProbe + "}3Ver\r" << QByteArray() << false;
        QTest::newRow("direct, module 1")
            << "N"
            << "YYNNNNNN"
            << "2" << QByteArray("\r\rVer\r") << QByteArray("\r\r") << true;
        QTest::newRow("direct, only module 2")
            << "N"
            << "NYNNNNNN"
            << "2" << QByteArray("\r\r") << QByteArray("\r\rVer\r") << true;
        QTest::newRow("direct, module 2, port 2 is 0")
            << "N"
            << "NYNNNNNN"
            << "0" << QByteArray("\r\r") << QByteArray() << false;
        QTest::newRow("hub, eight N")
            << "Y"
            << "NNNNNNNN"
            << "2" << QByteArray("\r}0\r\r") + kProbe << QByteArray() << false;
    }
    void firstVersionRequest()
    {
        QFETCH(QString, hub);
        QFETCH(QString, moduls);
        QFETCH(QString, port2);
        QFETCH(QByteArray, port1Written);
        QFETCH(QByteArray, port2Written);
        QFETCH(bool, port2Open);
        Run r;
        IniValues v;
        v.hub = hub;
        v.moduls = moduls;
        v.port2 = port2;
        r.writeIni(v);
        QVERIFY(r.station.load().ok);
        QCOMPARE(r.port1.written(), port1Written);
        QCOMPARE(r.port2.written(), port2Written);
        QCOMPARE(r.port2.isOpen(), port2Open);
        if (port2Open)
            QCOMPARE(r.port2.openedSettings(), QStringLiteral("9600,e,7,1"));
    }

    void noModuleEnabledShowsMainAtOnce()
    {
        Run r;
        IniValues v;
        v.moduls = QStringLiteral("NNNNNNNN");
        r.writeIni(v);
        QVERIFY(r.station.load().ok);
        QVERIFY(r.station.screen().mainVisible());
        QVERIFY(!r.station.screen().splash().visible);
        // The option windows follow at the first tick.
        r.station.tick();
        QVERIFY(r.station.screen().alarmsVisible());
        QVERIFY(r.station.screen().eventsVisible());
        QVERIFY(!r.station.screen().keypadVisible());
    }

    void dataDirThatCannotBeCreatedStops()
    {
        Run r;
        IniValues v;
        v.dataDir = r.home.filePath(QStringLiteral("missing/Data"));
        r.writeIni(v);
        const Station::LoadResult result = r.station.load();
        QVERIFY(!result.ok);
        QVERIFY(result.message.contains(v.dataDir));
        QVERIFY(result.message.contains(QStringLiteral("No such file or directory")));
        QVERIFY(!r.station.loaded());
        QVERIFY(r.port1.written().isEmpty());
    }

    void everyFileThatCannotBeWrittenIsListed()
    {
        Run r;
        // Directories where zelvan.ini's and Color.dat's temporary copies go:
        // neither file can be written, even by root.
        QVERIFY(QDir(r.home.path()).mkpath(QStringLiteral("zelvan.tmp")));
        QVERIFY(QDir(r.home.path()).mkpath(QStringLiteral("Data/Color.dat.tmp")));
        QVERIFY(r.station.load().ok);
        const QStringList problems = r.station.screen().problems();
        const QString all = problems.join(QLatin1Char('\n'));
        // The failed write stays listed beside the failed read that follows it.
        QVERIFY2(all.contains(QStringLiteral("zelvan.ini не може да се запише")), qPrintable(all));
        QVERIFY2(all.contains(QStringLiteral("zelvan.ini не може да се прочете")), qPrintable(all));
        // Color.dat failed; Name.dat and Kavel.dat were created all the same.
        QVERIFY2(all.contains(QStringLiteral("Color.dat")), qPrintable(all));
        const QDir data(r.station.state().DataDir);
        QVERIFY(QFileInfo(data.filePath(QStringLiteral("Name.dat"))).isFile());
        QVERIFY(QFileInfo(data.filePath(QStringLiteral("Kavel.dat"))).isFile());
    }

    void markerColorNotWrittenIsRetriedAtTheTick()
    {
        Run r;
        QVERIFY(r.station.load().ok);
        const QString colorPath = r.station.files().colorPath();
        // Color.dat replaced by a directory: the write fails, even for root.
        QVERIFY(QFile::remove(colorPath));
        QVERIFY(QDir().mkdir(colorPath));
        r.station.panel().PressObjectButton(4, MainPanelModel::LeftButton,
                                            MainPanelModel::ShiftModifier);
        r.station.panel().ReleaseObjectButton();
        const qint32 color = r.station.state().ObjColor[5];
        QVERIFY(color != 0);
        QVERIFY(r.station.screen().problem().contains(QStringLiteral("Color.dat")));
        r.station.tick(); // still failing
        QCOMPARE(r.station.panel().pendingColorWrites(), 1);

        // Writable again: the next tick writes it, with no other press.
        QVERIFY(QDir().rmdir(colorPath));
        r.station.tick();
        QCOMPARE(r.station.panel().pendingColorWrites(), 0);
        QVERIFY(!r.station.screen().problem().contains(QStringLiteral("Color.dat")));
        QCOMPARE(r.station.files().color(5), color);
    }

    void dayRecordsUnwrittenAtExitAreWrittenAtTheNextStart()
    {
        QTemporaryDir home;
        FakeClock clock;
        CountingBeeper beeper;
        FakeSerialLine port1;
        FakeSerialLine port2;
        const QString day = home.filePath(QStringLiteral("Data/26-12-07.dat"));
        {
            Station station(clock, beeper, port1, port2, home.path());
            QVERIFY(station.load().ok);
            QVERIFY(QDir().mkdir(day)); // the day file cannot be written, even by root
            QVERIFY(!station.archive().AppendDayRecord(5, QChar('P'), clock.now()));
            QVERIFY(station.screen().problem().contains(QStringLiteral("26-12-07.dat")));
        } // the program ends with the record unwritten
        QVERIFY(QFile::exists(home.filePath(QStringLiteral("zelvan.rec"))));

        QVERIFY(QDir().rmdir(day));
        Station station(clock, beeper, port1, port2, home.path());
        QVERIFY(station.load().ok);
        QCOMPARE(fileBytes(day), QByteArray("000580500000\r\n"));
        QVERIFY(!QFile::exists(home.filePath(QStringLiteral("zelvan.rec"))));
    }

    // The journal's lines that cannot be written by the exit, the exit line
    // among them, are saved beside zelvan.ini and written first at the next
    // start, before its start line; a run that ended so did end cleanly.
    void journalLinesUnwrittenAtExitAreWrittenAtTheNextStart()
    {
        QTemporaryDir home;
        FakeClock clock;
        CountingBeeper beeper;
        FakeSerialLine port1;
        FakeSerialLine port2;
        const QString day = home.filePath(QStringLiteral("Data/26-12-07.jrn"));
        const QString rec = home.filePath(QStringLiteral("journal.rec"));
        {
            Station station(clock, beeper, port1, port2, home.path());
            QVERIFY(station.load().ok);
            QVERIFY(QFile::rename(day, day + QStringLiteral(".away")));
            QVERIFY(QDir().mkdir(day)); // the day file cannot be written, even by root
            station.journal().write(QStringLiteral("ana"), JournalAction::Take, 5, 1,
                                    QStringLiteral("grid"));
            QVERIFY(station.screen().problem().contains(QStringLiteral("26-12-07.jrn")));
        } // the program ends with the take and the exit unwritten
        const QList<QByteArray> saved = fileBytes(rec).split('\n');
        QCOMPARE(saved.size(), 3);
        QCOMPARE(saved[0].split('\t').value(2), QByteArray("take"));
        QCOMPARE(saved[1].split('\t').value(2), QByteArray("exit"));

        QVERIFY(QDir().rmdir(day));
        QVERIFY(QFile::rename(day + QStringLiteral(".away"), day));
        Station station(clock, beeper, port1, port2, home.path());
        QVERIFY(station.load().ok);
        QVERIFY(!QFile::exists(rec));
        QStringList actions;
        for (const JournalEntry& e : station.journal().read(clock.now().date()))
            actions << e.action;
        QCOMPARE(actions, (QStringList{QStringLiteral("start"), QStringLiteral("take"),
                                       QStringLiteral("exit"), QStringLiteral("start")}));
        const JournalKey::Loaded key = JournalKey::load(home.path(), false);
        QVERIFY(key.problem.isEmpty());
        const JournalCheck check = JournalVerifier(key.key).verify(fileBytes(day), "26-12-07");
        QVERIFY(!check.broken());
        QCOMPARE(check.verified, 4);
    }

    // A key open to others is a problem the operator sees; the journal goes
    // on, its lines numbered, without chain values.
    void journalKeyOpenToOthersIsShown()
    {
        QTemporaryDir home;
        FakeClock clock;
        CountingBeeper beeper;
        FakeSerialLine port1;
        FakeSerialLine port2;
        {
            Station station(clock, beeper, port1, port2, home.path());
            QVERIFY(station.load().ok);
        }
        const QString key = JournalKey::pathIn(home.path());
        QVERIFY(QFile::exists(key));
        QVERIFY(
            QFile::setPermissions(key, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        Station station(clock, beeper, port1, port2, home.path());
        QVERIFY(station.load().ok);
        QVERIFY(station.screen().problem().contains(key));
        const QList<JournalEntry> lines = station.journal().read(clock.now().date());
        QCOMPARE(lines.last().action, QStringLiteral("start"));
        QCOMPARE(lines.last().sequence, 3);
        QCOMPARE(lines.last().chain, QByteArray());
    }

    // mqtt.ini is read at start: one created, changed or removed while the
    // panel runs is a problem line saying that a restart is needed.
    void mqttIniChangeShownAtTheTick_data()
    {
        QTest::addColumn<QByteArray>("before"); // empty: no file
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("shown");
        const QByteArray a = "[broker]\nhost=127.0.0.1\n";
        const QByteArray b = "[broker]\nhost=192.0.2.7\nport=1884\n";
        QTest::newRow("created") << QByteArray() << a << true;
        QTest::newRow("changed") << a << b << true;
        QTest::newRow("removed") << a << QByteArray() << true;
        QTest::newRow("unchanged") << a << a << false;
        QTest::newRow("still none") << QByteArray() << QByteArray() << false;
    }
    void mqttIniChangeShownAtTheTick()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(bool, shown);
        Run r;
        r.writeIni({});
        const QString path = r.home.filePath(QStringLiteral("mqtt.ini"));
        const auto write = [&path](const QByteArray& content) {
            QFile::remove(path);
            QFile f(path);
            if (!content.isEmpty() && f.open(QIODevice::WriteOnly))
                f.write(content);
        };
        write(before);
        QVERIFY(r.station.load().ok);
        if (after != before)
            write(after);
        r.station.tick();
        QCOMPARE(r.station.screen().problem().contains(path), shown);
    }

    void failedPortReopenedAtTick()
    {
        Run r;
        QVERIFY(r.station.load().ok);
        r.port1.takeWritten();
        r.port1.setRefuseOpen(true);
        r.port1.fail(QStringLiteral("device removed"));
        QVERIFY(!r.port1.isOpen());
        QVERIFY(r.station.screen().problem().contains(QStringLiteral("device removed")));
        r.station.tick(); // still unplugged
        QVERIFY(!r.port1.isOpen());
        QVERIFY(r.port1.written().isEmpty());
        r.port1.setRefuseOpen(false);
        r.station.tick();
        QVERIFY(r.port1.isOpen());
        QVERIFY(r.port1.takeWritten().startsWith("\r"));
        QVERIFY(r.station.screen().problem().isEmpty());
        QCOMPARE(r.station.portKeeper(1).reopenCount(), 1);
    }

    void portSettingsNotTakenAreShown_data()
    {
        QTest::addColumn<int>("faults");
        QTest::addColumn<QString>("shown");
        QTest::newRow("unreadable")
            << int(SerialLine::SettingsUnreadable) << QStringLiteral("не могат да се прочетат");
        QTest::newRow("baud and stop bits refused")
            << int(SerialLine::BaudRefused | SerialLine::StopBitsRefused)
            << QStringLiteral("устройството не прие от настройките \"4800,n,8,1\": скоростта, "
                              "стоп битовете.");
        QTest::newRow("parity refused")
            << int(SerialLine::ParityRefused) << QStringLiteral(": четността.");
    }
    void portSettingsNotTakenAreShown()
    {
        QFETCH(int, faults);
        QFETCH(QString, shown);
        Run r;
        r.port1.setSettingsFaults(faults);
        QVERIFY(r.station.load().ok);
        QVERIFY(r.port1.isOpen());
        const QString problem = r.station.screen().problem();
        QVERIFY2(problem.contains(QStringLiteral("Сериен порт 1 (1)")), qPrintable(problem));
        QVERIFY2(problem.contains(shown), qPrintable(problem));

        // A failure of the port takes its place while it is closed; reopened
        // with every setting taken, nothing is left to show.
        r.port1.setRefuseOpen(true);
        r.port1.fail(QStringLiteral("device removed"));
        QVERIFY(r.station.screen().problem().contains(QStringLiteral("device removed")));
        r.port1.setRefuseOpen(false);
        r.port1.setSettingsFaults(0);
        r.station.tick();
        QVERIFY(r.port1.isOpen());
        QVERIFY2(r.station.screen().problem().isEmpty(), qPrintable(r.station.screen().problem()));
    }

    void bytesOfBothPortsReachTheFraming()
    {
        Run r;
        IniValues v;
        v.hub = QStringLiteral("N");
        v.moduls = QStringLiteral("YYNNNNNN");
        r.writeIni(v);
        QVERIFY(r.station.load().ok);
        r.port1.feed(">");
        r.port2.feed("*");
        QVERIFY(r.station.state().ModuleAnswered[1]);
        QVERIFY(r.station.state().ModuleAnswered[2]);
        r.port2.feed(".  Zelvan MDL v2.1\r");
        QCOMPARE(r.station.state().ModuleVersionText[2], QStringLiteral("  Zelvan MDL v2.1"));
    }

    // The records of every message that one receive notification carries are
    // synced to the disk, in one batch, before the notification's handler
    // returns; the next notification is the next batch.
    void oneReceiveNotificationIsOneSyncedBatch()
    {
        Run r;
        r.writeIni({});
        QVERIFY(r.station.load().ok);
        QSignalSpy synced(&r.station.archive(), &DayArchive::synced);
        r.port1.feed("{3#A5\r{3#A6\r{4#A7\r");
        QCOMPARE(synced.size(), 1);
        QCOMPARE(synced.first().first().toInt(), 3);
        r.port1.feed("{3O5\r");
        QCOMPARE(synced.size(), 2);
        QCOMPARE(synced.last().first().toInt(), 1);
        QFile day(r.station.archive().dayFilePath(r.clock.now().date()));
        QVERIFY(day.open(QIODevice::ReadOnly));
        QCOMPARE(day.readAll().count("\r\n"), 4);
    }
};

QTEST_GUILESS_MAIN(TestStation)
#include "tst_station.moc"

// The command line of both programs as a user meets it: --help and --version
// print their answer and nothing else, with or without a display; without a
// display a real start says it runs offscreen; a bad --home ends with status 2.
#include "core/ProgramVersion.h"
#include "journal/Journal.h"
#include "journal/JournalKey.h"
#include "support/Fakes.h"
#include "support/TestFiles.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

namespace {

constexpr int kWaitMs = 30000;

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QString program(const QString& name)
{
    return qEnvironmentVariable("ZELVAN_BUILD_DIR") + QLatin1Char('/') + name;
}

// Runs the program as from a terminal without a display and without a login
// session (as root in CI): no platform chosen for it, no X or Wayland display,
// no runtime directory.
Run runWithoutDisplay(const QString& name, const QStringList& arguments)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* var :
         {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "QT_LOGGING_RULES"})
        env.remove(QString::fromLatin1(var));
    p.setProcessEnvironment(env);
    p.start(program(name), arguments);
    Run r;
    if (!p.waitForFinished(kWaitMs) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        for (const char* name : {"zelvan", "zelvan-modsim"}) {
            if (!QFileInfo(program(QString::fromLatin1(name))).isExecutable())
                QSKIP("the programs are not built");
        }
    }

    void versionIsTheAnswerAlone_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("arguments");
        for (const char* name : {"zelvan", "zelvan-modsim"}) {
            for (const char* option : {"--version", "-v"})
                QTest::addRow("%s %s", name, option)
                    << QString::fromLatin1(name) << QStringList{QString::fromLatin1(option)};
        }
        // Qt's own options of the graphical program do not spoil the answer.
        QTest::addRow("zelvan -platform xcb --version")
            << "zelvan" << QStringList{"-platform", "xcb", "--version"};
        QTest::addRow("zelvan --home DIR -v")
            << "zelvan" << QStringList{"--home", "/nowhere", "-v"};
    }
    void versionIsTheAnswerAlone()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, arguments);
        const Run r = runWithoutDisplay(name, arguments);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QString::fromUtf8(r.out),
                 name + QLatin1Char(' ') + zelvan::programVersion() + QLatin1Char('\n'));
        QCOMPARE(QString::fromUtf8(r.err), QString());
    }

    void helpIsTheAnswerAlone_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("mentions");
        QTest::addRow("zelvan --help") << "zelvan"
                                       << "--help"
                                       << "--home <DIR>";
        QTest::addRow("zelvan -h") << "zelvan"
                                   << "-h"
                                   << "--home <DIR>";
        QTest::addRow("zelvan-modsim --help") << "zelvan-modsim"
                                              << "--help"
                                              << "--link <PATH>";
    }
    void helpIsTheAnswerAlone()
    {
        QFETCH(QString, name);
        QFETCH(QString, option);
        QFETCH(QString, mentions);
        const Run r = runWithoutDisplay(name, {option});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.startsWith("Usage: "), r.out.left(200).constData());
        QVERIFY2(r.out.contains(mentions.toUtf8()), r.out.constData());
        QCOMPARE(QString::fromUtf8(r.err), QString());
    }

    // The release number is the one of the build files, with the commit after it
    // when there is one.
    void versionTextHasTheReleaseFirst()
    {
        const QString release = zelvan::releaseVersion();
        QVERIFY(
            QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$")).match(release).hasMatch());
        const QString full = zelvan::programVersion();
        QVERIFY2(full == release
                     || QRegularExpression(QStringLiteral("^%1 \\(git [0-9a-f]+(-dirty)?\\)$")
                                               .arg(QRegularExpression::escape(release)))
                            .match(full)
                            .hasMatch(),
                 qPrintable(full));
    }

    // A start that goes past the command line says that it runs offscreen; a
    // program directory that cannot be made ends it with status 2.
    void badHomeWithoutDisplayEndsWithStatusTwo()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString home = dir.filePath(QStringLiteral("file/home"));
        const Run r = runWithoutDisplay(QStringLiteral("zelvan"), {QStringLiteral("--home"), home});
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.out, QByteArray());
        const QString err = QString::fromUtf8(r.err);
        QVERIFY2(err.contains(
                     QStringLiteral("zelvan: no display; running without windows (offscreen)\n")),
                 qPrintable(err));
        QVERIFY2(err.contains(QStringLiteral("--home ") + home), qPrintable(err));
    }

    // SIGTERM (a service stopped), SIGINT and SIGHUP end the panel as closing
    // it does: status 0, and the journal's last line says "exit".
    void terminationSignalsEndThePanelInOrder_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void terminationSignalsEndThePanelInOrder()
    {
        QFETCH(int, signal);
        QTemporaryDir home;
        const QString data = home.filePath(QStringLiteral("Data"));
        QFile ini(home.filePath(QStringLiteral("zelvan.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        // Both ports closed: nothing but the panel itself.
        ini.write(QStringLiteral("[DirData]\r\n%1\r\n[CommPort]\r\n0\r\n4800,n,8,1\r\n0\r\n"
                                 "4800,n,8,1\r\n[Moduls]\r\nNNNNNNNN\r\n")
                      .arg(data)
                      .toLocal8Bit());
        ini.close();
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(program(QStringLiteral("zelvan")), {QStringLiteral("--home"), home.path()});
        QVERIFY(p.waitForStarted(kWaitMs));
        const QString journal =
            QDir(data).filePath(QDate::currentDate().toString(QStringLiteral("yy-MM-dd")) + ".jrn");
        const auto lines = [&journal] {
            QFile f(journal);
            return f.open(QIODevice::ReadOnly) ? f.readAll().split('\n') : QList<QByteArray>();
        };
        QTRY_VERIFY_WITH_TIMEOUT(lines().join().contains("\tstart\t"), kWaitMs);
        QCOMPARE(::kill(pid_t(p.processId()), signal), 0);
        QVERIFY(p.waitForFinished(kWaitMs));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        const QList<QByteArray> written = lines();
        QVERIFY(written.size() >= 2);
        QCOMPARE(written.at(written.size() - 2).split('\t').value(2), QByteArray("exit"));
    }

    // --journal-verify checks the journal of the data directory that
    // zelvan.ini names, day by day, without the panel: 0 when no line was
    // changed, removed or inserted (days written before the chain are said
    // unverifiable and pass), 1 when one was or the key is missing, 2 for a
    // day not written yy-mm-dd.
    void journalVerifyAnswersWithoutThePanel_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("day"); // empty: every day
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("intact") << QString() << QString() << 0 << QStringLiteral("наред, 3 реда");
        QTest::newRow("intact, one day") << QString() << QStringLiteral("26-12-09") << 0
                                         << QStringLiteral("26-12-09.jrn: наред");
        QTest::newRow("changed") << QStringLiteral("change") << QString() << 1
                                 << QStringLiteral("ред 2 (№ 2) е променен");
        QTest::newRow("removed") << QStringLiteral("remove") << QString() << 1
                                 << QStringLiteral("пред ред 2 (№ 3) липсват редове");
        QTest::newRow("old day beside") << QStringLiteral("old") << QString() << 0
                                        << QStringLiteral("26-12-08.jrn: не може да се провери");
        QTest::newRow("no key") << QStringLiteral("nokey") << QString() << 1
                                << QStringLiteral("journal.key");
        QTest::newRow("bad day") << QString() << QStringLiteral("2026-12-09") << 2
                                 << QStringLiteral("гг-мм-дд");
        QTest::newRow("day without file")
            << QString() << QStringLiteral("26-12-01") << 1 << QStringLiteral("26-12-01.jrn");
    }
    void journalVerifyAnswersWithoutThePanel()
    {
        QFETCH(QString, damage);
        QFETCH(QString, day);
        QFETCH(int, status);
        QFETCH(QString, said);
        QTemporaryDir home;
        const QString data = home.filePath(QStringLiteral("Elsewhere"));
        QVERIFY(QDir().mkpath(data));
        QFile ini(home.filePath(QStringLiteral("zelvan.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[DirData]\r\n%1\r\n").arg(data).toLocal8Bit());
        ini.close();
        const zelvan::JournalKey::Loaded key = zelvan::JournalKey::load(home.path(), true);
        zelvan::test::FakeClock clock(QDateTime(QDate(2026, 12, 9), QTime(8, 0)));
        {
            zelvan::Journal journal(data, clock);
            journal.setKey(key.key);
            for (const auto action : {zelvan::JournalAction::Start, zelvan::JournalAction::Take,
                                      zelvan::JournalAction::Exit})
                QVERIFY(journal.write(QString(), action, 5, 1, QStringLiteral("grid")));
        }
        const QString file = QDir(data).filePath(QStringLiteral("26-12-09.jrn"));
        QList<QByteArray> lines = zelvan::test::fileBytes(file).split('\n');
        if (damage == QLatin1String("change"))
            lines[1].replace("\tgrid\t", "\tkeypad\t");
        if (damage == QLatin1String("remove"))
            lines.removeAt(1);
        QFile rewrite(file);
        QVERIFY(rewrite.open(QIODevice::WriteOnly));
        rewrite.write(lines.join('\n'));
        rewrite.close();
        if (damage == QLatin1String("old")) {
            QFile old(QDir(data).filePath(QStringLiteral("26-12-08.jrn")));
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("2026-12-08T08:00:00\t-\tstart\t0\t0\t1.0\n");
        }
        if (damage == QLatin1String("nokey"))
            QVERIFY(QFile::remove(zelvan::JournalKey::pathIn(home.path())));
        QStringList arguments{QStringLiteral("--home"), home.path(),
                              QStringLiteral("--journal-verify")};
        if (!day.isEmpty())
            arguments << day;
        const Run r = runWithoutDisplay(QStringLiteral("zelvan"), arguments);
        const QString all = QString::fromUtf8(r.out + r.err);
        QVERIFY2(all.contains(said), qPrintable(all));
        QCOMPARE(r.exitCode, status);
        QVERIFY(!all.contains(QStringLiteral("offscreen"))); // no panel, no platform
        QVERIFY(!QFile::exists(home.filePath(QStringLiteral("zelvan.lock"))));
    }

    void unknownOptionIsRefusedAlone()
    {
        const Run r = runWithoutDisplay(QStringLiteral("zelvan"), {QStringLiteral("--bogus")});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QByteArray());
        // Refused before the notice of the offscreen start (Qt may have warned
        // about the environment before, as it starts the platform).
        const QString err = QString::fromUtf8(r.err);
        QVERIFY2(err.endsWith(QStringLiteral("Unknown option 'bogus'.\n")), qPrintable(err));
        QVERIFY2(!err.contains(QStringLiteral("offscreen")), qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"

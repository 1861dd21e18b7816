// The journal of the operator's actions and the operator's session: lines as
// the file holds them, a journal that cannot be written, the log-in rules.
#include "journal/Journal.h"
#include "journal/OperatorSession.h"
#include "journal/OperatorsFile.h"
#include "menu/JournalView.h"
#include "support/CsvText.h"
#include "support/Fakes.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvan;
using namespace zelvan::test;

class TestJournal : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { m_hash = OperatorsFile::hashPin(QStringLiteral("4711")); }

    void linesKeepSixFields_data()
    {
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("readBack");
        QTest::addColumn<int>("offset"); // seconds ahead of UTC
        QTest::addColumn<QString>("timeText");
        QTest::addColumn<qint64>("sequence");
        const int east = 2 * 3600;
        const QString at = QStringLiteral("2026-12-09T22:00:05+02:00");
        QTest::newRow("plain") << QStringLiteral("grid") << QStringLiteral("grid") << east << at
                               << qint64(0);
        QTest::newRow("tab") << QStringLiteral("a\tb") << QStringLiteral("a b") << east << at
                             << qint64(0);
        QTest::newRow("line breaks")
            << QStringLiteral("a\r\nb\nc") << QStringLiteral("a  b c") << east << at << qint64(0);
        QTest::newRow("cyrillic") << QStringLiteral("\"Склад\" -> \"Офис\"")
                                  << QStringLiteral("\"Склад\" -> \"Офис\"") << east << at
                                  << qint64(0);
        QTest::newRow("empty") << QString() << QString() << east << at << qint64(0);
        QTest::newRow("utc") << QStringLiteral("grid") << QStringLiteral("grid") << 0
                             << QStringLiteral("2026-12-09T22:00:05+00:00") << qint64(0);
        QTest::newRow("west, half hour")
            << QStringLiteral("grid") << QStringLiteral("grid") << -(3 * 3600 + 1800)
            << QStringLiteral("2026-12-09T22:00:05-03:30") << qint64(0);
        QTest::newRow("chained") << QStringLiteral("a\tb") << QStringLiteral("a b") << east << at
                                 << qint64(7);
        QTest::newRow("chained, detail of digits")
            << QStringLiteral("12") << QStringLiteral("12") << east << at << qint64(1);
    }
    void linesKeepSixFields()
    {
        QFETCH(QString, detail);
        QFETCH(QString, readBack);
        QFETCH(int, offset);
        QFETCH(QString, timeText);
        QFETCH(qint64, sequence);
        JournalEntry e;
        e.time = QDateTime(QDate(2026, 12, 9), QTime(22, 0, 5), Qt::OffsetFromUTC, offset);
        e.operatorName = QStringLiteral("ana");
        e.action = QStringLiteral("release");
        e.object = 133;
        e.module = 2;
        e.detail = detail;
        e.sequence = sequence;
        e.chain = sequence > 0 ? QByteArray(64, 'e') : QByteArray();
        const QByteArray line = e.line();
        QCOMPARE(line.count('\n'), 1);
        QCOMPARE(line.count('\t'), sequence > 0 ? 7 : 5);
        QVERIFY(line.startsWith(timeText.toUtf8() + "\tana\trelease\t133\t2\t"));
        const JournalEntry back = JournalEntry::parse(line.chopped(1));
        QCOMPARE(back.time, e.time);
        QCOMPARE(back.time.offsetFromUtc(), offset);
        QCOMPARE(back.object, 133);
        QCOMPARE(back.module, 2);
        QCOMPARE(back.detail, readBack);
        QCOMPARE(back.sequence, sequence);
        QCOMPARE(back.chain, e.chain);
    }

    // Lines written before the offset and the chain are read as they are:
    // local time, no sequence; a detail with a tab typed by hand stays whole.
    void oldLinesAreRead_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<qint64>("sequence");
        const QDateTime local(QDate(2026, 12, 9), QTime(22, 0, 5));
        QTest::newRow("six fields, local time")
            << QByteArray("2026-12-09T22:00:05\tana\trelease\t133\t2\tgrid") << local
            << QStringLiteral("grid") << qint64(0);
        QTest::newRow("tabs in the detail")
            << QByteArray("2026-12-09T22:00:05\tana\tnames\t7\t1\ta\tb\tc") << local
            << QStringLiteral("a b c") << qint64(0);
        QTest::newRow("with offset")
            << QByteArray("2026-12-09T22:00:05+02:00\tana\ttake\t7\t1\tgrid\t3\t")
            << QDateTime(QDate(2026, 12, 9), QTime(20, 0, 5), Qt::UTC) << QStringLiteral("grid")
            << qint64(3);
        QTest::newRow("torn in the chain")
            << QByteArray("2026-12-09T22:00:05+02:00\tana\ttake\t7\t1\tgrid\t3\t5f0c")
            << QDateTime(QDate(2026, 12, 9), QTime(20, 0, 5), Qt::UTC) << QStringLiteral("grid")
            << qint64(3);
    }
    void oldLinesAreRead()
    {
        QFETCH(QByteArray, line);
        QFETCH(QDateTime, time);
        QFETCH(QString, detail);
        QFETCH(qint64, sequence);
        const JournalEntry e = JournalEntry::parse(line);
        QCOMPARE(e.time, time);
        QCOMPARE(e.detail, detail);
        QCOMPARE(e.sequence, sequence);
        QCOMPARE(JournalEntry::splitFields(line).size(), JournalEntry::kFields);
    }

    // A line torn by a power cut, or one with fields missing, is still shown.
    void tornLinesAreRead()
    {
        const JournalEntry e = JournalEntry::parse("2026-12-09T22:00:05\tana\tta");
        QCOMPARE(e.action, QStringLiteral("ta"));
        QCOMPARE(e.object, 0);
        QCOMPARE(e.fields().size(), 6);
    }

    // A journal that cannot be written says so and keeps its lines; they are
    // written, in order and once, as soon as it can be written again.
    void unwritableJournalKeepsItsLines()
    {
        QTemporaryDir dir;
        FakeClock clock(QDateTime(QDate(2026, 12, 9), QTime(21, 59, 0)));
        Journal journal(dir.path(), clock);
        QSignalSpy failures(&journal, &Journal::failureChanged);
        const QString path = journal.path(clock.now().date());
        QVERIFY(QDir().mkdir(path)); // a directory where the day's file goes
        QVERIFY(!journal.write(QStringLiteral("ana"), JournalAction::Take, 5, 1,
                               QStringLiteral("grid")));
        clock.advanceMs(1000);
        QVERIFY(!journal.write(QString(), JournalAction::Silence, 0, 0, QString()));
        QCOMPARE(journal.waiting(), 2);
        QVERIFY(!failures.isEmpty());
        QCOMPARE(failures.last().at(0).toBool(), true);
        QVERIFY(failures.last().at(1).toString().contains(path));
        QString error;
        journal.read(clock.now().date(), &error);
        QVERIFY(!error.isEmpty()); // unreadable, not an empty day

        QVERIFY(QDir().rmdir(path));
        QVERIFY(journal.retry());
        QCOMPARE(journal.waiting(), 0);
        QCOMPARE(failures.last().at(0).toBool(), false);
        const QList<JournalEntry> lines = journal.read(clock.now().date());
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].action, QStringLiteral("take"));
        QCOMPARE(lines[0].operatorName, QStringLiteral("ana"));
        QCOMPARE(lines[1].action, QStringLiteral("silence"));
        QCOMPARE(lines[1].operatorName, QStringLiteral("-"));
    }

    // The tab's spreadsheet holds the file's lines, field for field; the
    // filters keep the lines of one operator or one object.
    void viewCsvEqualsTheFile()
    {
        QTemporaryDir dir;
        FakeClock clock;
        Journal journal(dir.path(), clock);
        journal.write(QStringLiteral("ana"), JournalAction::Take, 5, 1, QStringLiteral("grid"));
        journal.write(QStringLiteral("bob"), JournalAction::Names, 7, 1,
                      QStringLiteral("\"a;b\" -> \"c\"\"d\""));
        journal.write(QStringLiteral("ana"), JournalAction::Release, 7, 1,
                      QStringLiteral("keypad"));
        JournalView view(&journal);
        view.setDay(clock.now().date());
        const QList<QStringList> rows = parseCsv(view.csv(u';'), u';');
        QList<QStringList> lines;
        for (const QByteArray& line : fileBytes(journal.path(clock.now().date())).split('\n')) {
            if (!line.isEmpty())
                lines.append(QString::fromUtf8(line).split(QLatin1Char('\t')));
        }
        QCOMPARE(rows, lines);
        QCOMPARE(view.operatorsOfDay(),
                 (QStringList{QStringLiteral("ana"), QStringLiteral("bob")}));
        view.setOperatorFilter(QStringLiteral("ana"));
        QCOMPARE(view.shown().size(), 2);
        view.setObjectFilter(7);
        QCOMPARE(view.shown().size(), 1);
        QCOMPARE(view.shown().first().detail, QStringLiteral("keypad"));
    }

    // With no operators nothing waits; with operators an action waits for a
    // good log-in, the latest one asked wins, a cancel drops it.
    void actionsWaitForALogin()
    {
        QTemporaryDir dir;
        FakeClock clock;
        Journal journal(dir.path(), clock);
        int done = 0;
        OperatorSession open({}, journal, clock, 0);
        open.whenAllowed([&done] { ++done; });
        QCOMPARE(done, 1);

        OperatorSession session({{QStringLiteral("ana"), m_hash}}, journal, clock, 0);
        QSignalSpy asked(&session, &OperatorSession::loginRequested);
        session.whenAllowed([&done] { done += 10; });
        session.whenAllowed([&done] { done += 100; });
        QCOMPARE(asked.size(), 2);
        QCOMPARE(done, 1);
        QCOMPARE(session.login(QStringLiteral("ana"), QStringLiteral("1234")),
                 OperatorSession::Login::Wrong);
        QCOMPARE(done, 1);
        QCOMPARE(session.login(QStringLiteral("ana"), QStringLiteral("4711")),
                 OperatorSession::Login::Accepted);
        QCOMPARE(done, 101);
        session.whenAllowed([&done] { ++done; });
        QCOMPARE(done, 102);
        session.logout();
        session.whenAllowed([&done] { ++done; });
        session.cancelLogin();
        QCOMPARE(session.login(QStringLiteral("ana"), QStringLiteral("4711")),
                 OperatorSession::Login::Accepted);
        QCOMPARE(done, 102);
    }

    // Five wrong PINs in a row hold the name for a minute, even against the
    // right PIN; an unknown name counts the same. The journal says each one
    // and never the PIN.
    void wrongPinsHoldTheName()
    {
        QTemporaryDir dir;
        FakeClock clock;
        Journal journal(dir.path(), clock);
        OperatorSession session({{QStringLiteral("ana"), m_hash}}, journal, clock, 0);
        for (int i = 1; i < OperatorSession::kMaxFailures; ++i)
            QCOMPARE(session.login(QStringLiteral("ana"), QStringLiteral("0000")),
                     OperatorSession::Login::Wrong);
        QCOMPARE(session.login(QStringLiteral("ana"), QStringLiteral("0000")),
                 OperatorSession::Login::Held);
        QCOMPARE(session.login(QStringLiteral("ana"), QStringLiteral("4711")),
                 OperatorSession::Login::Held);
        clock.advanceMs(OperatorSession::kHoldSeconds * 1000 - 1000);
        QCOMPARE(session.login(QStringLiteral("ana"), QStringLiteral("4711")),
                 OperatorSession::Login::Held);
        clock.advanceMs(1000);
        QCOMPARE(session.login(QStringLiteral("ana"), QStringLiteral("4711")),
                 OperatorSession::Login::Accepted);
        QCOMPARE(session.login(QStringLiteral("eve"), QStringLiteral("4711")),
                 OperatorSession::Login::Wrong);

        const QList<JournalEntry> lines = journal.read(clock.now().date());
        int failed = 0;
        for (const JournalEntry& e : lines) {
            failed += e.action == QStringLiteral("login_failed");
            QVERIFY(!e.detail.contains(QStringLiteral("0000")));
            QVERIFY(!e.detail.contains(QStringLiteral("4711")));
        }
        QCOMPARE(failed, OperatorSession::kMaxFailures + 3);
        QVERIFY(lines[OperatorSession::kMaxFailures - 1].detail.contains(QStringLiteral("held")));
    }

    void idleOperatorIsLoggedOut()
    {
        QTemporaryDir dir;
        FakeClock clock;
        Journal journal(dir.path(), clock);
        OperatorSession session({{QStringLiteral("ana"), m_hash}}, journal, clock, 2);
        QCOMPARE(session.login(QStringLiteral("ana"), QStringLiteral("4711")),
                 OperatorSession::Login::Accepted);
        clock.advanceMs(90 * 1000);
        session.whenAllowed([] {}); // an action keeps the operator logged in
        clock.advanceMs(90 * 1000);
        session.checkIdle();
        QCOMPARE(session.current(), QStringLiteral("ana"));
        clock.advanceMs(30 * 1000);
        session.checkIdle();
        QCOMPARE(session.current(), QString());
        const QList<JournalEntry> lines = journal.read(clock.now().date());
        QCOMPARE(lines.last().action, QStringLiteral("logout"));
        QCOMPARE(lines.last().operatorName, QStringLiteral("ana"));
        QCOMPARE(lines.last().detail, QStringLiteral("idle"));
    }

private:
    QByteArray m_hash;
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"

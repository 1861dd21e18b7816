// The journal of the operator's actions: lines as the file holds them, a
// journal that cannot be written.
#include "journal/Journal.h"
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

    void linesKeepSixFields_data()
    {
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("plain") << QStringLiteral("grid") << QStringLiteral("grid");
        QTest::newRow("tab") << QStringLiteral("a\tb") << QStringLiteral("a b");
        QTest::newRow("line breaks") << QStringLiteral("a\r\nb\nc") << QStringLiteral("a  b c");
        QTest::newRow("cyrillic") << QStringLiteral("\"Склад\" -> \"Офис\"")
                                  << QStringLiteral("\"Склад\" -> \"Офис\"");
        QTest::newRow("empty") << QString() << QString();
    }
    void linesKeepSixFields()
    {
        QFETCH(QString, detail);
        QFETCH(QString, readBack);
        JournalEntry e;
        e.time = QDateTime(QDate(2026, 12, 9), QTime(22, 0, 5));
        e.operatorName = QStringLiteral("ana");
        e.action = QStringLiteral("release");
        e.object = 133;
        e.module = 2;
        e.detail = detail;
        const QByteArray line = e.line();
        QCOMPARE(line.count('\n'), 1);
        QCOMPARE(line.count('\t'), 5);
        QVERIFY(line.startsWith("2026-12-09T22:00:05\tana\trelease\t133\t2\t"));
        const JournalEntry back = JournalEntry::parse(line.chopped(1));
        QCOMPARE(back.time, e.time);
        QCOMPARE(back.object, 133);
        QCOMPARE(back.module, 2);
        QCOMPARE(back.detail, readBack);
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
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"

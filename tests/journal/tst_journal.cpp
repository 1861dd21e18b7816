// The journal of the operator's actions: lines as the file holds them, a
// journal that cannot be written.
#include "journal/Journal.h"
#include "journal/JournalKey.h"
#include "journal/JournalVerifier.h"
#include "journal/OperatorsFile.h"
#include "menu/JournalView.h"
#include "support/CsvText.h"
#include "support/Fakes.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

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

    // The tab's spreadsheet holds the file's lines, field for field, with
    // the operator's word for the action beside its code; the rows and the
    // printout speak the operator's words; the filters keep the lines of one
    // operator or one object.
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
        QList<QStringList> rows = parseCsv(view.csv(u';'), u';');
        QList<QStringList> lines;
        for (const QByteArray& line : fileBytes(journal.path(clock.now().date())).split('\n')) {
            if (!line.isEmpty())
                lines.append(QString::fromUtf8(line).split(QLatin1Char('\t')));
        }
        QCOMPARE(rows.size(), lines.size());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i].takeAt(2), journalActionCaption(lines[i][2]));
            QCOMPARE(rows[i], lines[i]);
        }
        QCOMPARE(JournalView::shownFields(view.shown().first()),
                 (QStringList{QStringLiteral("07.12.2026 12:00:00"), QStringLiteral("ana"),
                              QStringLiteral("Поемане"), QStringLiteral("5"), QStringLiteral("1"),
                              QStringLiteral("grid")}));
        QVERIFY(view.text().contains(QStringLiteral("Освобождаване")));
        QVERIFY(!view.text().contains(QStringLiteral("release")));
        QCOMPARE(view.operatorsOfDay(),
                 (QStringList{QStringLiteral("ana"), QStringLiteral("bob")}));
        view.setOperatorFilter(QStringLiteral("ana"));
        QCOMPARE(view.shown().size(), 2);
        view.setObjectFilter(7);
        QCOMPARE(view.shown().size(), 1);
        QCOMPARE(view.shown().first().detail, QStringLiteral("keypad"));
    }

    // An option's change by its caption on the options tab, a word the panel
    // does not know as it stands.
    void shownFieldsSpeakTheOperatorsWords_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("shown");
        QTest::newRow("window option") << "options"
                                       << "Check3: 0 -> 1"
                                       << "Настройки"
                                       << "Панела отгоре при нарушение: 0 -> 1";
        QTest::newRow("keypad option") << "options"
                                       << "Check12: 1 -> 0"
                                       << "Настройки"
                                       << "Прозорец клавиатура: 1 -> 0";
        QTest::newRow("font") << "options"
                              << "font: DejaVu Sans -> Arial"
                              << "Настройки"
                              << "Шрифт на принтера: DejaVu Sans -> Arial";
        QTest::newRow("unknown option") << "options"
                                        << "Check99: 0 -> 1"
                                        << "Настройки"
                                        << "Check99: 0 -> 1";
        QTest::newRow("not an option") << "names"
                                       << "Check3: 0 -> 1"
                                       << "Имена"
                                       << "Check3: 0 -> 1";
        QTest::newRow("unknown word") << "reboot"
                                      << "x"
                                      << "reboot"
                                      << "x";
        QTest::newRow("refused") << "refused"
                                 << "take: why"
                                 << "Отказано"
                                 << "take: why";
    }
    void shownFieldsSpeakTheOperatorsWords()
    {
        QFETCH(QString, action);
        QFETCH(QString, detail);
        QFETCH(QString, word);
        QFETCH(QString, shown);
        JournalEntry e;
        e.action = action;
        e.detail = detail;
        const QStringList fields = JournalView::shownFields(e);
        QCOMPARE(fields[2], word);
        QCOMPARE(fields[5], shown);
    }

    // The tab says above the lines what the check of the day found, when it
    // is not all well; a day that verifies shows no notice.
    void viewShowsTheVerification_data()
    {
        QTest::addColumn<QByteArray>("damage"); // a detail replaced by "keypad"; "old": six fields
        QTest::addColumn<bool>("keyed");
        QTest::addColumn<QString>("notice"); // empty: none
        QTest::newRow("intact") << QByteArray() << true << QString();
        QTest::newRow("changed") << QByteArray("grid") << true
                                 << QStringLiteral("ред 2 (№ 2) е променен");
        QTest::newRow("old day") << QByteArray("old") << true
                                 << QStringLiteral("записани преди журналът да има верига");
        QTest::newRow("no key") << QByteArray() << false << QStringLiteral("без ключа си");
    }
    void viewShowsTheVerification()
    {
        QFETCH(QByteArray, damage);
        QFETCH(bool, keyed);
        QFETCH(QString, notice);
        QTemporaryDir dir;
        FakeClock clock;
        Journal journal(dir.path(), clock);
        journal.setKey(QByteArray(JournalKey::kBytes, 'k'));
        const QString path = journal.path(clock.now().date());
        if (damage == "old") {
            QVERIFY(writeBytes(path, "2026-12-07T08:00:00\t-\tstart\t0\t0\t1.0\n"));
        } else {
            journal.write(QString(), JournalAction::Start, 0, 0, QString());
            journal.write(QStringLiteral("ana"), JournalAction::Take, 5, 1, QStringLiteral("grid"));
            if (!damage.isEmpty())
                QVERIFY(writeBytes(path, fileBytes(path).replace(damage, "keypad")));
        }
        if (!keyed)
            journal.setKey(QByteArray());
        JournalView view(&journal);
        view.setDay(clock.now().date());
        QVERIFY(view.problem().isEmpty());
        if (notice.isEmpty())
            QCOMPARE(view.notice(), QString());
        else
            QVERIFY2(view.notice().contains(notice), qPrintable(view.notice()));
    }

    // The check of a day's chain finds the first line changed, removed or
    // put in, and tells lines torn by a crash and lines written before the
    // chain from those.
    void verifyFindsTheFirstFaultyLine_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("line");
        QTest::addColumn<qint64>("sequence");
        QTest::addColumn<int>("verified");
        QTest::addColumn<int>("unchained");
        QTest::addColumn<QList<int>>("torn");
        const QByteArray key(JournalKey::kBytes, 'k');
        QList<QByteArray> l = chainedDay(key, 5); // five lines, LF each
        const auto join = [](const QList<QByteArray>& lines) { return lines.join(QByteArray()); };
        const int none = int(JournalCheck::Fault::None);
        const int changed = int(JournalCheck::Fault::Changed);
        const int removed = int(JournalCheck::Fault::Removed);
        const int inserted = int(JournalCheck::Fault::Inserted);
        const QList<int> noTorn;

        QTest::newRow("intact") << join(l) << key << none << 0 << qint64(0) << 5 << 0 << noTorn;
        QTest::newRow("empty day")
            << QByteArray() << key << none << 0 << qint64(0) << 0 << 0 << noTorn;
        QList<QByteArray> c = l;
        c[2].replace("\tgrid\t", "\tkeypad\t");
        QTest::newRow("detail changed")
            << join(c) << key << changed << 3 << qint64(3) << 2 << 0 << noTorn;
        c = l;
        c[0].replace("\tana\t", "\tbob\t");
        QTest::newRow("first line changed")
            << join(c) << key << changed << 1 << qint64(1) << 0 << 0 << noTorn;
        QTest::newRow("another key") << join(l) << QByteArray(JournalKey::kBytes, 'x') << changed
                                     << 1 << qint64(1) << 0 << 0 << noTorn;
        c = l;
        c.removeAt(2);
        QTest::newRow("line removed")
            << join(c) << key << removed << 3 << qint64(4) << 2 << 0 << noTorn;
        c = l;
        c.removeAt(0);
        QTest::newRow("first line removed")
            << join(c) << key << removed << 1 << qint64(2) << 0 << 0 << noTorn;
        c = l;
        c.insert(2, l[1]);
        QTest::newRow("line repeated")
            << join(c) << key << inserted << 3 << qint64(2) << 2 << 0 << noTorn;
        c = l;
        c.insert(2, QByteArray("2026-12-09T22:00:05+02:00\t-\ttake\t5\t1\tgrid\t3\t")
                        + QByteArray(64, 'a') + '\n');
        QTest::newRow("line forged")
            << join(c) << key << inserted << 3 << qint64(3) << 2 << 0 << noTorn;
        c = l;
        c.insert(2, QByteArray("2026-12-09T22:00:05\t-\ttake\t5\t1\tgrid\n"));
        QTest::newRow("old line put in the middle")
            << join(c) << key << inserted << 3 << qint64(0) << 2 << 0 << noTorn;
        c = l;
        c[4].chop(20);
        QTest::newRow("last line torn")
            << join(c) << key << none << 0 << qint64(0) << 4 << 0 << QList<int>{5};
        c = l;
        c[4].chop(20);
        c[4] += '\n';
        QTest::newRow("last line cut, LF kept")
            << join(c) << key << changed << 5 << qint64(0) << 4 << 0 << noTorn;
        QList<QByteArray> old{QByteArray("2026-12-09T08:00:00\t-\tstart\t0\t0\t1.0\n"),
                              QByteArray("2026-12-09T08:01:00\tana\ttake\t5\t1\tgrid\n")};
        QTest::newRow("day begun before the chain")
            << join(old + l) << key << none << 0 << qint64(0) << 5 << 2 << noTorn;
        QTest::newRow("day before the chain")
            << join(old) << key << none << 0 << qint64(0) << 0 << 2 << noTorn;
    }
    void verifyFindsTheFirstFaultyLine()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, key);
        QFETCH(int, fault);
        QFETCH(int, line);
        QFETCH(qint64, sequence);
        QFETCH(int, verified);
        QFETCH(int, unchained);
        QFETCH(QList<int>, torn);
        const JournalCheck check = JournalVerifier(key).verify(content, QStringLiteral("26-12-09"));
        QCOMPARE(int(check.fault), fault);
        QCOMPARE(check.line, line);
        if (check.broken())
            QCOMPARE(check.sequence, sequence);
        QCOMPARE(check.verified, verified);
        QCOMPARE(check.unchained, unchained);
        QCOMPARE(check.torn, torn);
        QCOMPARE(check.unverifiable(), !check.broken() && unchained > 0);
        const QStringList said = JournalVerifier::describe(check, QStringLiteral("26-12-09.jrn"));
        QVERIFY(!said.isEmpty());
        if (check.broken())
            QVERIFY(said.first().contains(QString::number(line)));
    }

    // A restart goes on with the day's sequence and chain, read from the end
    // of the file; a line torn by a crash is left a line of its own, the
    // next start says the last run ended without its exit line, and the day
    // still verifies.
    void restartContinuesTheChain_data()
    {
        QTest::addColumn<QList<int>>("before"); // the actions of the first run
        QTest::addColumn<QByteArray>("torn");   // what a crash left at the file's end
        QTest::addColumn<int>("daysAgo");       // when the first run was
        QTest::addColumn<QString>("unclean");   // the detail of unclean_end; empty: none
        using A = JournalAction;
        QTest::newRow("no journal") << QList<int>{} << QByteArray() << 0 << QString();
        QTest::newRow("ended with exit")
            << QList<int>{int(A::Start), int(A::Exit)} << QByteArray() << 0 << QString();
        QTest::newRow("ended without exit")
            << QList<int>{int(A::Start), int(A::Take)} << QByteArray() << 0
            << QStringLiteral("2026-12-09T21:59:01+02:00");
        QTest::newRow("torn last line") << QList<int>{int(A::Start), int(A::Take)}
                                        << QByteArray("2026-12-09T21:59:30+02:00\tana\trel") << 0
                                        << QStringLiteral("2026-12-09T21:59:30+02:00");
        QTest::newRow("torn exit line")
            << QList<int>{int(A::Start), int(A::Take)}
            << QByteArray("2026-12-09T21:59:30+02:00\t-\texit\t0\t0\t\t3\t5f") << 0
            << QStringLiteral("2026-12-09T21:59:30+02:00");
        QTest::newRow("last run days ago")
            << QList<int>{int(A::Start), int(A::Take)} << QByteArray() << 3
            << QStringLiteral("2026-12-06T21:59:01+02:00");
        QTest::newRow("last run days ago, ended with exit")
            << QList<int>{int(A::Start), int(A::Exit)} << QByteArray() << 3 << QString();
    }
    void restartContinuesTheChain()
    {
        QFETCH(QList<int>, before);
        QFETCH(QByteArray, torn);
        QFETCH(int, daysAgo);
        QFETCH(QString, unclean);
        QTemporaryDir dir;
        const QByteArray key(JournalKey::kBytes, 'k');
        const QDateTime now(QDate(2026, 12, 9), QTime(22, 0, 0), Qt::OffsetFromUTC, 7200);
        FakeClock clock(now.addDays(-daysAgo).addSecs(-60));
        {
            Journal first(dir.path(), clock);
            first.setKey(key);
            for (const int action : before) {
                QVERIFY(first.write(QStringLiteral("ana"), JournalAction(action), 5, 1,
                                    QStringLiteral("grid")));
                clock.advanceMs(1000);
            }
        }
        const QString firstFile = dir.filePath(Journal::fileName(now.addDays(-daysAgo).date()));
        if (!torn.isEmpty())
            QVERIFY(appendBytes(firstFile, torn));
        clock.set(now);
        Journal second(dir.path(), clock);
        second.setKey(key);
        second.noteUncleanEnd();
        QVERIFY(second.write(QString(), JournalAction::Start, 0, 0, QStringLiteral("1.0")));

        const QList<JournalEntry> today = second.read(now.date());
        const QString word = journalActionName(JournalAction::UncleanEnd);
        const qsizetype first = daysAgo == 0 ? before.size() + (torn.isEmpty() ? 0 : 1) : 0;
        QCOMPARE(today.size(), first + (unclean.isEmpty() ? 1 : 2));
        if (!unclean.isEmpty()) {
            QCOMPARE(today[first].action, word);
            QCOMPARE(today[first].detail, unclean);
        }
        QCOMPARE(today.last().action, QStringLiteral("start"));
        for (const QString& name : QDir(dir.path()).entryList({QStringLiteral("*.jrn")})) {
            const JournalCheck check =
                JournalVerifier(key).verify(fileBytes(dir.filePath(name)), name.chopped(4));
            QVERIFY2(!check.broken(), qPrintable(JournalVerifier::describe(check, name).join(' ')));
            QCOMPARE(check.torn.size(), torn.isEmpty() ? 0 : 1);
        }
        // The sequence goes on where the file's last whole line left it.
        QCOMPARE(today.last().sequence,
                 qint64(daysAgo == 0 ? before.size() : 0) + (unclean.isEmpty() ? 1 : 2));
    }

    // Lines that wait for a journal that cannot be written are saved at exit
    // and written first at the next start, in their order, then the file is
    // removed; beyond the bound of memory the lines dropped are counted in a
    // line of their own, written before those kept.
    void waitingLinesSurviveTheExit()
    {
        QTemporaryDir dir;
        const QByteArray key(JournalKey::kBytes, 'k');
        FakeClock clock(QDateTime(QDate(2026, 12, 9), QTime(21, 0, 0), Qt::OffsetFromUTC, 7200));
        const QString rec = dir.filePath(QStringLiteral("journal.rec"));
        const QString day = dir.filePath(Journal::fileName(clock.now().date()));
        {
            Journal journal(dir.path(), clock);
            journal.setKey(key);
            QVERIFY(journal.write(QString(), JournalAction::Start, 0, 0, QStringLiteral("1.0")));
            QVERIFY(QFile::rename(day, day + QStringLiteral(".away")));
            QVERIFY(QDir().mkdir(day)); // a directory where the day's file goes
            clock.advanceMs(1000);
            journal.write(QStringLiteral("ana"), JournalAction::Take, 5, 1, QStringLiteral("grid"));
            clock.advanceMs(1000);
            journal.write(QString(), JournalAction::Exit, 0, 0, QString());
            QCOMPARE(journal.waiting(), 2);
            QVERIFY(journal.saveWaiting(rec));
        }
        QCOMPARE(fileBytes(rec).count('\n'), 2);
        QVERIFY(QDir().rmdir(day));
        QVERIFY(QFile::rename(day + QStringLiteral(".away"), day));
        clock.advanceMs(60000);
        Journal next(dir.path(), clock);
        next.setKey(key);
        QVERIFY(next.recover(rec));
        QVERIFY(!QFile::exists(rec));
        next.noteUncleanEnd(); // the saved lines end with exit: nothing
        next.write(QString(), JournalAction::Start, 0, 0, QStringLiteral("1.0"));
        const QList<JournalEntry> lines = next.read(clock.now().date());
        QStringList actions;
        for (const JournalEntry& e : lines)
            actions << e.action;
        QCOMPARE(actions, (QStringList{QStringLiteral("start"), QStringLiteral("take"),
                                       QStringLiteral("exit"), QStringLiteral("start")}));
        QCOMPARE(lines[1].time,
                 QDateTime(QDate(2026, 12, 9), QTime(21, 0, 1), Qt::OffsetFromUTC, 7200));
        QCOMPARE(lines.last().sequence, 4);
        std::optional<JournalCheck> check;
        next.read(clock.now().date(), nullptr, &check);
        QVERIFY(check && !check->broken() && check->verified == 4);
    }

    void droppedLinesAreCounted()
    {
        QTemporaryDir dir;
        const QByteArray key(JournalKey::kBytes, 'k');
        FakeClock clock(QDateTime(QDate(2026, 12, 9), QTime(8, 0, 0), Qt::OffsetFromUTC, 7200));
        Journal journal(dir.path(), clock);
        journal.setKey(key);
        const QString day = journal.path(clock.now().date());
        QVERIFY(QDir().mkdir(day));
        const int extra = 3;
        for (int i = 1; i <= Journal::kMaxWaiting + extra; ++i) {
            journal.write(QStringLiteral("ana"), JournalAction::Take, i, 1, QString());
            clock.advanceMs(1);
        }
        QCOMPARE(journal.dropped(), extra);
        QVERIFY(QDir().rmdir(day));
        QVERIFY(journal.retry());
        const QList<JournalEntry> lines = journal.read(clock.now().date());
        QCOMPARE(lines.size(), Journal::kMaxWaiting + 1);
        QCOMPARE(lines[0].action, QStringLiteral("journal_dropped"));
        QCOMPARE(lines[0].detail, QString::number(extra));
        QCOMPARE(lines[0].time,
                 QDateTime(QDate(2026, 12, 9), QTime(8, 0, 0), Qt::OffsetFromUTC, 7200));
        QCOMPARE(lines[1].object, extra + 1); // the oldest kept
        QCOMPARE(lines.last().object, Journal::kMaxWaiting + extra);
        std::optional<JournalCheck> check;
        journal.read(clock.now().date(), nullptr, &check);
        QVERIFY(check && !check->broken() && check->verified == lines.size());
    }

    // A key that cannot be used is said, and the journal goes on writing
    // its lines, without chain values; the check says they cannot be proved.
    void keyThatCannotBeUsed_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no key file
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("usable");
        QTest::newRow("none: made") << QByteArray() << 0 << true;
        QTest::newRow("good") << QByteArray(64, 'a') + '\n' << 0600 << true;
        QTest::newRow("without LF") << QByteArray(64, 'a') << 0400 << true;
        QTest::newRow("readable by the group") << QByteArray(64, 'a') + '\n' << 0640 << false;
        QTest::newRow("writable by others") << QByteArray(64, 'a') + '\n' << 0602 << false;
        QTest::newRow("too short") << QByteArray(63, 'a') + '\n' << 0600 << false;
        QTest::newRow("upper case") << QByteArray(64, 'A') + '\n' << 0600 << false;
        QTest::newRow("two lines") << QByteArray(64, 'a') + "\n\n" << 0600 << false;
    }
    void keyThatCannotBeUsed()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, mode);
        QFETCH(bool, usable);
        QTemporaryDir dir;
        const QString path = JournalKey::pathIn(dir.path());
        if (!content.isEmpty()) {
            QVERIFY(writeBytes(path, content));
            QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0);
        }
        const JournalKey::Loaded loaded = JournalKey::load(dir.path(), true);
        QCOMPARE(loaded.key.size(), usable ? JournalKey::kBytes : 0);
        QCOMPARE(loaded.problem.isEmpty(), usable);
        if (!usable)
            QVERIFY(loaded.problem.contains(path));
        struct stat st
        {
        };
        QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
        if (content.isEmpty())
            QCOMPARE(int(st.st_mode & 0777), 0600);
        QCOMPARE(JournalKey::load(dir.path(), false).key, loaded.key); // the same key again

        FakeClock clock;
        Journal journal(dir.path(), clock);
        journal.setKey(loaded.key);
        QVERIFY(journal.write(QString(), JournalAction::Start, 0, 0, QString()));
        QVERIFY(journal.write(QString(), JournalAction::Exit, 0, 0, QString()));
        const JournalCheck check = JournalVerifier(QByteArray(JournalKey::kBytes, 'k'))
                                       .verify(fileBytes(journal.path(clock.now().date())),
                                               Journal::dayName(clock.now().date()));
        QCOMPARE(check.unkeyed, usable ? 0 : 2);
        QCOMPARE(check.unverifiable(), !usable);
    }

    // A directory in the key's place, or a key that cannot be made.
    void keyInAPlaceThatCannotBeRead()
    {
        QTemporaryDir dir;
        QVERIFY(QDir().mkdir(JournalKey::pathIn(dir.path())));
        const JournalKey::Loaded loaded = JournalKey::load(dir.path(), true);
        QVERIFY(loaded.key.isEmpty());
        QVERIFY(loaded.problem.contains(JournalKey::pathIn(dir.path())));
        QVERIFY(JournalKey::load(dir.path() + QStringLiteral("/missing"), true).key.isEmpty());
    }

private:
    // A day of `count` lines as the journal writes them with `key`.
    static QList<QByteArray> chainedDay(const QByteArray& key, int count)
    {
        QTemporaryDir dir;
        FakeClock clock(QDateTime(QDate(2026, 12, 9), QTime(22, 0, 0), Qt::OffsetFromUTC, 7200));
        Journal journal(dir.path(), clock);
        journal.setKey(key);
        for (int i = 0; i < count; ++i) {
            journal.write(QStringLiteral("ana"), JournalAction::Take, 5 + i, 1,
                          QStringLiteral("grid"));
            clock.advanceMs(1000);
        }
        QList<QByteArray> lines = fileBytes(journal.path(clock.now().date())).split('\n');
        lines.removeLast();
        for (QByteArray& line : lines)
            line += '\n';
        return lines;
    }
    static bool appendBytes(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        return f.open(QIODevice::Append) && f.write(bytes) == bytes.size();
    }
    static bool writeBytes(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"

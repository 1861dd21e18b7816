#include "events/DayArchive.h"
#include "events/DayFile.h"
#include "support/Fakes.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>

using namespace zelvan;
using zelvan::test::FakeClock;

using zelvan::test::fileBytes;

namespace {

QDateTime at(int h, int m, int s, int ms = 0, QDate day = QDate(2026, 12, 7))
{
    return QDateTime(day, QTime(h, m, s, ms));
}

// In the place of fdatasync: the size of the file at each sync, and a failure
// on request.
struct SyncSizes
{
    QList<qint64> sizes;
    bool fail = false;
    FileSync sync()
    {
        const auto data = [this](int fd) {
            struct stat st
            {
            };
            ::fstat(fd, &st);
            sizes.append(st.st_size);
            if (fail)
                errno = EIO;
            return fail ? -1 : 0;
        };
        return FileSync{data, [](int) { return 0; }};
    }
};

} // namespace

class TestDayArchive : public QObject
{
    Q_OBJECT
private slots:
    void records_data()
    {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<int>("k"); // 0: module record
        QTest::addColumn<int>("module");
        QTest::addColumn<QChar>("letter");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("shown");
        QTest::newRow("object 133 taken at noon")
            << at(12, 0, 0) << 133 << 0 << QChar('P') << QByteArray("013380500000") << "12:00:00";
        QTest::newRow("module 3 started at six")
            << at(6, 0, 0) << 0 << 3 << QChar('S') << QByteArray("0000832500003") << "06:00:00";
        QTest::newRow("module 8 link lost")
            << at(18, 0, 0) << 0 << 8 << QChar('V') << QByteArray("0000867500008") << "18:00:00";
        QTest::newRow("signal 1 is code 49")
            << at(0, 0, 0) << 1 << 0 << QChar('1') << QByteArray("000149000000") << "00:00:00";
        QTest::newRow("signal 5 is code 53")
            << at(0, 0, 1) << 1024 << 0 << QChar('5') << QByteArray("102453000012") << "00:00:01";
        QTest::newRow("whole second read back")
            << at(0, 0, 2) << 7 << 0 << QChar('R') << QByteArray("000782000023") << "00:00:02";
        QTest::newRow("nearest millionth") << at(23, 59, 59, 950) << 9 << 0 << QChar('A')
                                           << QByteArray("000965999999") << "23:59:59";
        QTest::newRow("end of day stays in its day") << at(23, 59, 59, 999) << 9 << 0 << QChar('O')
                                                     << QByteArray("000979999999") << "23:59:59";
    }
    void records()
    {
        QFETCH(QDateTime, time);
        QFETCH(int, k);
        QFETCH(int, module);
        QFETCH(QChar, letter);
        QFETCH(QByteArray, line);
        QFETCH(QString, shown);
        QTemporaryDir dir;
        FakeClock clock(time);
        DayArchive archive(dir.path());
        QVERIFY(k ? archive.AppendDayRecord(k, letter, clock.now())
                  : archive.appendModuleRecord(module, letter, clock.now()));
        const QString path = dir.filePath(QStringLiteral("26-12-07.dat"));
        QCOMPARE(fileBytes(path), line + "\r\n");

        // Read back as the history view and the report do.
        DayFileReader reader(path);
        QVERIFY(reader.open());
        DayRecord r;
        QVERIFY(reader.next(r));
        QCOMPARE(r.k, k);
        QCOMPARE(r.letter, letter);
        QCOMPARE(r.module, k ? -1 : module);
        QCOMPARE(r.timeText(), shown);
        QVERIFY(!reader.next(r));
    }

    void invalidRecordsAreNotWritten_data()
    {
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("module");
        QTest::addColumn<QChar>("letter");
        QTest::newRow("object 0") << 0 << 0 << QChar('P');
        QTest::newRow("object 1025") << 1025 << 0 << QChar('P');
        QTest::newRow("unknown letter") << 5 << 0 << QChar('X');
        QTest::newRow("module letter for an object") << 5 << 0 << QChar('S');
        QTest::newRow("module 9") << 0 << 9 << QChar('S');
        QTest::newRow("object letter for a module") << 0 << 2 << QChar('P');
    }
    void invalidRecordsAreNotWritten()
    {
        QFETCH(int, k);
        QFETCH(int, module);
        QFETCH(QChar, letter);
        QTemporaryDir dir;
        FakeClock clock;
        DayArchive archive(dir.path());
        const bool written = module ? archive.appendModuleRecord(module, letter, clock.now())
                                    : archive.AppendDayRecord(k, letter, clock.now());
        QVERIFY(!written);
        QCOMPARE(archive.pendingCount(), 0);
        QVERIFY(QDir(dir.path()).isEmpty());
        // Read back from a damaged file, such a record is no record of the archive either.
        QVERIFY(!isArchiveRecord(DayRecord{k, letter, 0, module ? module : -1}));
    }

    // A power cut left half a record at the end of the day file: the next
    // record starts on a fresh line instead of joining it; a whole file is
    // added to as it is.
    void tornTailStartsAFreshLine_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("torn") << QByteArray("0001809583")
                              << QByteArray("0001809583\r\n000265958333\r\n");
        QTest::newRow("torn after CR")
            << QByteArray("000180958333\r") << QByteArray("000180958333\r\r\n000265958333\r\n");
        QTest::newRow("whole") << QByteArray("000180958333\r\n")
                               << QByteArray("000180958333\r\n000265958333\r\n");
        QTest::newRow("empty") << QByteArray() << QByteArray("000265958333\r\n");
    }
    void tornTailStartsAFreshLine()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("26-12-07.dat"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
        file.close();
        DayArchive archive(dir.path());
        QVERIFY(archive.AppendDayRecord(2, QChar('A'), at(23, 0, 0)));
        QCOMPARE(fileBytes(path), after);
    }

    void eachDayHasItsFile()
    {
        QTemporaryDir dir;
        FakeClock clock(at(23, 0, 0));
        DayArchive archive(dir.path());
        QVERIFY(archive.AppendDayRecord(1, QChar('P'), clock.now()));
        QVERIFY(archive.AppendDayRecord(2, QChar('A'), clock.now()));
        clock.set(at(0, 0, 0, 0, QDate(2026, 12, 8)));
        QVERIFY(archive.AppendDayRecord(3, QChar('O'), clock.now()));
        QCOMPARE(fileBytes(dir.filePath(QStringLiteral("26-12-07.dat"))),
                 QByteArray("000180958333\r\n000265958333\r\n"));
        QCOMPARE(fileBytes(dir.filePath(QStringLiteral("26-12-08.dat"))),
                 QByteArray("000379000000\r\n"));
        QCOMPARE(DayArchive::dayFileName(QDate(2003, 5, 7)), QStringLiteral("03-05-07.dat"));
    }

    void failedWritesWaitAndKeepTheirOrder()
    {
        QTemporaryDir root;
        const QString data = root.filePath(QStringLiteral("Data"));
        FakeClock clock(at(23, 59, 0));
        DayArchive archive(data);
        QSignalSpy spy(&archive, &DayArchive::failureChanged);

        // The data directory is gone: records wait in memory, the operator is told.
        QVERIFY(!archive.AppendDayRecord(1, QChar('A'), clock.now()));
        QVERIFY(!archive.appendModuleRecord(2, QChar('V'), clock.now()));
        QCOMPARE(archive.pendingCount(), 2);
        QVERIFY(archive.failing());
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.last().at(0).toBool(), true);
        QVERIFY(spy.last().at(1).toString().contains(QStringLiteral("26-12-07.dat")));
        QVERIFY(!archive.flushPending());

        // Past midnight the directory is back: the waiting records go to the
        // day they were made in, before the new record goes to the new day.
        clock.set(at(0, 0, 30, 0, QDate(2026, 12, 8)));
        QVERIFY(QDir().mkpath(data));
        spy.clear();
        QVERIFY(archive.AppendDayRecord(3, QChar('P'), clock.now()));
        QCOMPARE(archive.pendingCount(), 0);
        QCOMPARE(fileBytes(data + QStringLiteral("/26-12-07.dat")),
                 QByteArray("000165999306\r\n0000869993062\r\n"));
        QCOMPARE(fileBytes(data + QStringLiteral("/26-12-08.dat")), QByteArray("000380000347\r\n"));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().at(0).toBool(), false);
        QVERIFY(!archive.failing());
    }

    void flushRetriesWithoutANewRecord()
    {
        QTemporaryDir root;
        FakeClock clock(at(8, 0, 0));
        DayArchive archive(root.path());
        // A directory in the place of the day file makes it unwritable.
        const QString day = root.filePath(QStringLiteral("26-12-07.dat"));
        QVERIFY(QDir().mkdir(day));
        QVERIFY(!archive.AppendDayRecord(10, QChar('B'), clock.now()));
        QVERIFY(!archive.flushPending());
        QCOMPARE(archive.pendingCount(), 1);
        QVERIFY(!archive.lastError().isEmpty());
        QVERIFY(QDir().rmdir(day));
        QVERIFY(archive.flushPending());
        QCOMPARE(fileBytes(day), QByteArray("001066333333\r\n"));
        QVERIFY(archive.lastError().isEmpty());
    }

    // Records that still cannot be written at the end of the program go to the
    // recovery file; the next start writes them first, each into the file of
    // its own day, and removes it.
    void unwrittenRecordsSurviveTheExit()
    {
        QTemporaryDir root;
        const QString data = root.filePath(QStringLiteral("Data"));
        const QString recovery = root.filePath(QStringLiteral("zelvan.rec"));
        {
            DayArchive archive(data); // the data directory is gone
            QVERIFY(!archive.AppendDayRecord(1, QChar('A'), at(23, 59, 0)));
            QVERIFY(
                !archive.appendModuleRecord(2, QChar('V'), at(0, 0, 30, 0, QDate(2026, 12, 8))));
            QVERIFY(archive.saveUnwritten(recovery));
        }
        QCOMPARE(fileBytes(recovery),
                 QByteArray("2026-12-07 000165999306\r\n2026-12-08 0000860003472\r\n"));

        // Next start: still no data directory, the records wait in memory and
        // in the file; a second exit keeps them once, not twice.
        {
            DayArchive archive(data);
            QVERIFY(archive.recover(recovery));
            QCOMPARE(archive.pendingCount(), 2);
            QVERIFY(QFile::exists(recovery));
            QVERIFY(!archive.AppendDayRecord(3, QChar('P'), at(0, 1, 0, 0, QDate(2026, 12, 8))));
            QVERIFY(archive.saveUnwritten(recovery));
        }
        QCOMPARE(fileBytes(recovery), QByteArray("2026-12-07 000165999306\r\n"
                                                 "2026-12-08 0000860003472\r\n"
                                                 "2026-12-08 000380000694\r\n"));

        // The directory is back: everything in order, in its day's file, and
        // before the first new record.
        QVERIFY(QDir().mkpath(data));
        DayArchive archive(data);
        QVERIFY(archive.recover(recovery));
        QCOMPARE(archive.pendingCount(), 0);
        QVERIFY(!QFile::exists(recovery));
        QVERIFY(archive.AppendDayRecord(4, QChar('O'), at(0, 2, 0, 0, QDate(2026, 12, 8))));
        QCOMPARE(fileBytes(data + QStringLiteral("/26-12-07.dat")), QByteArray("000165999306\r\n"));
        QCOMPARE(fileBytes(data + QStringLiteral("/26-12-08.dat")),
                 QByteArray("0000860003472\r\n000380000694\r\n000479001389\r\n"));
    }

    void recoveryFileThatCannotBeReadIsReported()
    {
        QTemporaryDir root;
        const QString recovery = root.filePath(QStringLiteral("zelvan.rec"));
        QVERIFY(QDir().mkdir(recovery)); // unreadable, even for root
        DayArchive archive(root.path());
        QVERIFY(!archive.recover(recovery));
        QVERIFY(archive.lastRecoveryError().contains(recovery));
        QVERIFY(
            archive.recover(root.filePath(QStringLiteral("none.rec")))); // no file: nothing to do
    }

    // A data directory whose file system cannot sync still gets every record,
    // and the operator is told once.
    void fileSystemThatCannotSyncStillGetsTheRecords_data()
    {
        QTest::addColumn<int>("error");
        QTest::newRow("EINVAL") << EINVAL;
        QTest::newRow("ENOTSUP") << ENOTSUP;
        QTest::newRow("ENOSYS") << ENOSYS;
    }
    void fileSystemThatCannotSyncStillGetsTheRecords()
    {
        QFETCH(int, error);
        QTemporaryDir root;
        const auto refuse = [error](int) {
            errno = error;
            return -1;
        };
        DayArchive archive(root.path(), FileSync{refuse, refuse});
        QSignalSpy refused(&archive, &DayArchive::syncRefused);
        QSignalSpy failure(&archive, &DayArchive::failureChanged);
        QVERIFY(archive.AppendDayRecord(1, QChar('P'), at(8, 0, 0)));
        {
            const DayArchive::Batch batch(&archive);
            QVERIFY(archive.AppendDayRecord(2, QChar('A'), at(8, 0, 1)));
            QVERIFY(archive.AppendDayRecord(3, QChar('O'), at(8, 0, 2)));
        }
        QCOMPARE(archive.pendingCount(), 0);
        QCOMPARE(fileBytes(root.filePath(QStringLiteral("26-12-07.dat"))),
                 QByteArray("000180333333\r\n000265333345\r\n000379333356\r\n"));
        QCOMPARE(refused.count(), 1);
        QVERIFY(refused.first().at(0).toString().contains(root.path()));
        QCOMPARE(failure.count(), 0);
    }

    // Group commit: the records made inside one batch reach the file with one
    // write and one sync when the batch ends; a record outside a batch is
    // synced on its own before AppendDayRecord returns.
    void batchIsOneWriteAndOneSync()
    {
        QTemporaryDir dir;
        FakeClock clock(at(12, 0, 0));
        SyncSizes rec;
        DayArchive archive(dir.path(), rec.sync());
        QSignalSpy synced(&archive, &DayArchive::synced);
        {
            const DayArchive::Batch batch(&archive);
            QVERIFY(archive.AppendDayRecord(1, QChar('A'), clock.now()));
            {
                const DayArchive::Batch inner(&archive); // nested: the outer one commits
                QVERIFY(archive.AppendDayRecord(2, QChar('A'), clock.now()));
            }
            QVERIFY(archive.appendModuleRecord(3, QChar('V'), clock.now()));
            QVERIFY(rec.sizes.isEmpty());
            QCOMPARE(archive.pendingCount(), 3);
        }
        QCOMPARE(rec.sizes, (QList<qint64>{43}));
        QCOMPARE(synced.size(), 1);
        QCOMPARE(synced.first().first().toInt(), 3);
        QCOMPARE(archive.pendingCount(), 0);

        QVERIFY(archive.AppendDayRecord(4, QChar('O'), clock.now()));
        QCOMPARE(rec.sizes, (QList<qint64>{43, 57}));
        QCOMPARE(fileBytes(dir.filePath(QStringLiteral("26-12-07.dat"))),
                 QByteArray("000165500000\r\n000265500000\r\n0000865000003\r\n000479500000\r\n"));
    }

    // A batch whose sync fails is cut back out of the file and kept in
    // memory; the next batch writes it first, once, in order.
    void failedBatchIsRetriedWhole()
    {
        QTemporaryDir dir;
        FakeClock clock(at(12, 0, 0));
        SyncSizes rec;
        rec.fail = true;
        DayArchive archive(dir.path(), rec.sync());
        QSignalSpy failure(&archive, &DayArchive::failureChanged);
        {
            const DayArchive::Batch batch(&archive);
            archive.AppendDayRecord(1, QChar('A'), clock.now());
            archive.AppendDayRecord(2, QChar('A'), clock.now());
        }
        QCOMPARE(archive.pendingCount(), 2);
        QVERIFY(archive.failing());
        QCOMPARE(failure.size(), 1);
        const QString day = dir.filePath(QStringLiteral("26-12-07.dat"));
        QCOMPARE(fileBytes(day), QByteArray());

        rec.fail = false;
        {
            const DayArchive::Batch batch(&archive);
            QVERIFY(!archive.AppendDayRecord(3, QChar('A'),
                                             clock.now())); // accepted, the archive still failing
        }
        QCOMPARE(archive.pendingCount(), 0);
        QVERIFY(!archive.failing());
        QCOMPARE(fileBytes(day), QByteArray("000165500000\r\n000265500000\r\n000365500000\r\n"));
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("k");
        QTest::addColumn<QChar>("letter");
        QTest::addColumn<int>("module");
        QTest::addColumn<QString>("time");
        QTest::newRow("object") << QByteArray("013380500000") << true << 133 << QChar('P') << -1
                                << "12:00:00";
        QTest::newRow("module") << QByteArray("0000832500003") << true << 0 << QChar('S') << 3
                                << "06:00:00";
        QTest::newRow("no module digit")
            << QByteArray("000086250000") << true << 0 << QChar('V') << -1 << "06:00:00";
        QTest::newRow("object ignores 13th")
            << QByteArray("0133805000007") << true << 133 << QChar('P') << -1 << "12:00:00";
        QTest::newRow("CR LF kept")
            << QByteArray("013379500000\r\n") << true << 133 << QChar('O') << -1 << "12:00:00";
        QTest::newRow("short") << QByteArray("01338050000") << false << 0 << QChar() << -1 << "";
        QTest::newRow("letter") << QByteArray("0133P0500000") << false << 0 << QChar() << -1 << "";
        QTest::newRow("blank") << QByteArray("            ") << false << 0 << QChar() << -1 << "";
        QTest::newRow("empty") << QByteArray() << false << 0 << QChar() << -1 << "";
    }
    void parse()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, valid);
        const auto r = parseDayRecord(line);
        QCOMPARE(r.has_value(), valid);
        if (!valid)
            return;
        QFETCH(int, k);
        QFETCH(QChar, letter);
        QFETCH(int, module);
        QFETCH(QString, time);
        QCOMPARE(r->k, k);
        QCOMPARE(r->letter, letter);
        QCOMPARE(r->module, module);
        QCOMPARE(r->timeText(), time);
        // A module record without its module parses but is none the archive writes.
        QCOMPARE(isArchiveRecord(*r), k != 0 || module != -1);
    }

    void readerSkipsDamagedLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("26-12-07.dat"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("000180250000\r\n");
        f.write("garbage\n");
        f.write(QByteArray(5000, '7') + "x\r\n"); // long line: read from its start
        f.write("\r\n");
        f.write("0000832500004\n");
        f.write("000265750000"); // last line without CR LF
        f.close();

        DayFileReader reader(path);
        QVERIFY(reader.exists());
        QVERIFY(reader.open());
        QList<int> ks;
        DayRecord r;
        while (reader.next(r))
            ks << r.k;
        reader.close();
        QCOMPARE(ks, (QList<int>{1, 7777, 0, 2}));

        DayFileReader missing(dir.filePath(QStringLiteral("26-12-08.dat")));
        QVERIFY(!missing.exists());
        QVERIFY(!missing.open());
        QVERIFY(!missing.next(r));
    }
};

QTEST_GUILESS_MAIN(TestDayArchive)
#include "tst_dayarchive.moc"

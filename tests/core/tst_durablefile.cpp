#include "core/DurableFile.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace zelvan;
using zelvan::test::fileBytes;

namespace {

// Stands in for fdatasync / fsync: notes each call with what the file
// behind the descriptor holds at that moment, and fails on request.
struct SyncRecorder
{
    struct Call
    {
        QString kind; // "data" or "directory"
        qint64 size;  // size of the file (or -1 for a directory) when synced
        // What the watched path held at that moment ("missing" when absent).
        QByteArray watchedHeld;
    };
    QList<Call> calls;
    bool failData = false;
    QString watched; // a path whose content each call notes: what a rename changes

    FileSync sync()
    {
        return FileSync{[this](int fd) { return note(QStringLiteral("data"), fd, failData); },
                        [this](int fd) { return note(QStringLiteral("directory"), fd, false); }};
    }

private:
    int note(const QString& kind, int fd, bool fail)
    {
        struct stat st
        {
        };
        ::fstat(fd, &st);
        QByteArray held = "missing";
        if (!watched.isEmpty() && QFile::exists(watched))
            held = fileBytes(watched);
        calls.append({kind, S_ISDIR(st.st_mode) ? -1 : qint64(st.st_size), held});
        if (fail) {
            errno = EIO;
            return -1;
        }
        return 0;
    }
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestDurableFile : public QObject
{
    Q_OBJECT
private slots:
    // A file system that cannot sync at all still gets the bytes, and says so;
    // a sync that fails for any other reason fails the write.
    void syncThatCannotBeDoneStillWrites_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("written");
        QTest::newRow("EINVAL") << EINVAL << true;
        QTest::newRow("ENOTSUP") << ENOTSUP << true;
        QTest::newRow("EOPNOTSUPP") << EOPNOTSUPP << true;
        QTest::newRow("ENOSYS") << ENOSYS << true;
        QTest::newRow("EIO") << EIO << false;
    }
    void syncThatCannotBeDoneStillWrites()
    {
        QFETCH(int, error);
        QFETCH(bool, written);
        QTemporaryDir dir;
        const auto refuse = [error](int) {
            errno = error;
            return -1;
        };
        const FileSync refusing{refuse, refuse};
        const QString path = dir.filePath(QStringLiteral("26-12-07.dat"));
        DurableFile day(path, refusing);
        QCOMPARE(day.append("0005800000\r\n"), written);
        QCOMPARE(fileBytes(path), written ? QByteArray("0005800000\r\n") : QByteArray());
        QCOMPARE(day.syncRefused(), written);
        DurableFile whole(dir.filePath(QStringLiteral("zelvan.ini")), refusing);
        QCOMPARE(whole.replace("[Hub]\r\nY\r\n"), written);
        QCOMPARE(whole.syncRefused(), written);
        QCOMPARE(whole.writeAt(0, "#"), written);
    }

    // Each write reaches the file before its sync runs, and the call returns
    // only after the sync.
    void appendIsWrittenThenSynced()
    {
        QTemporaryDir dir;
        SyncRecorder rec;
        DurableFile file(dir.filePath(QStringLiteral("day.dat")), rec.sync());
        QVERIFY(file.append("000165500000\r\n"));
        QVERIFY(file.append("000265500000\r\n000365500000\r\n"));
        QCOMPARE(rec.calls.size(), 2);
        QCOMPARE(rec.calls[0].kind, QStringLiteral("data"));
        QCOMPARE(rec.calls[0].size, 14);
        QCOMPARE(rec.calls[1].size, 42);
        QCOMPARE(fileBytes(file.path()),
                 QByteArray("000165500000\r\n000265500000\r\n000365500000\r\n"));
    }

    // A failed sync is a failed write: the bytes are cut back, so the retry
    // does not leave them twice in the file.
    void failedAppendIsCutBack()
    {
        QTemporaryDir dir;
        SyncRecorder rec;
        const QString path = dir.filePath(QStringLiteral("day.dat"));
        writeFile(path, "old\r\n");
        rec.failData = true;
        DurableFile file(path, rec.sync());
        QVERIFY(!file.append("new\r\n"));
        QVERIFY(file.errorString().startsWith(path + QStringLiteral(": ")));
        QCOMPARE(fileBytes(path), QByteArray("old\r\n"));
        rec.failData = false;
        QVERIFY(file.append("new\r\n"));
        QCOMPARE(fileBytes(path), QByteArray("old\r\nnew\r\n"));
    }

    void replace_data()
    {
        QTest::addColumn<QString>("tmpName"); // empty: the default beside the file
        QTest::addColumn<bool>("existed");
        QTest::newRow("new file, default temporary") << QString() << false;
        QTest::newRow("old file replaced") << QString() << true;
        QTest::newRow("named temporary") << QStringLiteral("zelvan.tmp") << true;
    }
    // Temporary file written and synced, renamed over the file, directory
    // synced: the sync of the data comes before the rename, the one of the
    // directory after it.
    void replace()
    {
        QFETCH(QString, tmpName);
        QFETCH(bool, existed);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("zelvan.ini"));
        if (existed)
            writeFile(path, "old content\r\n");
        SyncRecorder rec;
        rec.watched = path;
        DurableFile file(path, rec.sync());
        const QString tmp =
            tmpName.isEmpty() ? path + QStringLiteral(".tmp") : dir.filePath(tmpName);
        QVERIFY(file.replace("new\r\n", tmpName.isEmpty() ? QString() : tmp));
        QCOMPARE(fileBytes(path), QByteArray("new\r\n"));
        QVERIFY(!QFile::exists(tmp));
        QCOMPARE(rec.calls.size(), 2);
        QCOMPARE(rec.calls[0].kind, QStringLiteral("data"));
        QCOMPARE(rec.calls[0].size, 5);
        // At the data sync the file is still the old one (not yet renamed
        // over); at the directory sync it is the new one.
        QCOMPARE(rec.calls[0].watchedHeld,
                 existed ? QByteArray("old content\r\n") : QByteArray("missing"));
        QCOMPARE(rec.calls[1].kind, QStringLiteral("directory"));
        QCOMPARE(rec.calls[1].watchedHeld, QByteArray("new\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList{QStringLiteral("zelvan.ini")});
    }

    void ownerOnly_data()
    {
        QTest::addColumn<bool>("leftover");
        QTest::newRow("no temporary file before") << false;
        QTest::newRow("a leftover temporary file open to all, held open") << true;
    }
    // A file of secrets is rw------- whatever the umask, and no one who had
    // the temporary file open before the write reads a byte of the new content.
    void ownerOnly()
    {
        QFETCH(bool, leftover);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("operators"));
        const QString tmp = DurableFile::temporaryPathOf(path);
        QFile reader(tmp);
        if (leftover) {
            writeFile(tmp, "left\n");
            QVERIFY(QFile::setPermissions(tmp, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                   | QFileDevice::ReadGroup
                                                   | QFileDevice::ReadOther));
            QVERIFY(reader.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        }
        const mode_t umaskBefore = ::umask(0);
        DurableFile file(path);
        const bool replaced =
            file.replace("secret\n", QString(), DurableFile::Permissions::OwnerOnly);
        ::umask(umaskBefore);
        QVERIFY2(replaced, qPrintable(file.errorString()));
        QCOMPARE(fileBytes(path), QByteArray("secret\n"));
        struct stat st
        {
        };
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0600));
        if (leftover)
            QCOMPARE(reader.readAll(), QByteArray("left\n"));
    }

    void failedReplaceKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Mdl_3.dat"));
        writeFile(path, "old\r\n");
        SyncRecorder rec;
        rec.failData = true;
        DurableFile file(path, rec.sync());
        QVERIFY(!file.replace("new\r\n"));
        QCOMPARE(fileBytes(path), QByteArray("old\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Mdl_3.dat")});

        DurableFile nowhere(dir.filePath(QStringLiteral("missing/Mdl_3.dat")), rec.sync());
        QVERIFY(!nowhere.replace("new\r\n"));
        QVERIFY(nowhere.errorString().contains(QStringLiteral("missing")));
    }

    void writeAt_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("record in place") << QByteArray("aaaabbbbcccc") << qint64(4)
                                         << QByteArray("XXXX") << QByteArray("aaaaXXXXcccc");
        QTest::newRow("past the end: gap of zeros")
            << QByteArray("aaaa") << qint64(8) << QByteArray("XXXX")
            << QByteArray("aaaa\0\0\0\0XXXX", 12);
        QTest::newRow("new file") << QByteArray() << qint64(0) << QByteArray("XXXX")
                                  << QByteArray("XXXX");
    }
    void writeAt()
    {
        QFETCH(QByteArray, before);
        QFETCH(qint64, offset);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Name.dat"));
        if (!before.isEmpty())
            writeFile(path, before);
        SyncRecorder rec;
        DurableFile file(path, rec.sync());
        QVERIFY(file.writeAt(offset, bytes));
        QCOMPARE(fileBytes(path), after);
        QCOMPARE(rec.calls.size(), 1);
        QCOMPARE(rec.calls[0].size, after.size());
    }
};

QTEST_GUILESS_MAIN(TestDurableFile)
#include "tst_durablefile.moc"

#include "core/Cp1251.h"
#include "core/InformationFile.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zelvan;

using zelvan::test::fileBytes;
using zelvan::test::writeBytes;

// The one reader of the objects' information files, for the history view
// (the content as it is) and for the menu's editor (the text it edits).
class TestInformationFile : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    static constexpr int kObject = 273; // module 3, object 17

    QString pathOf(int k) const
    {
        return QDir(m_dir.path()).filePath(InformationFile::fileName(k));
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(pathOf(kObject));
    }

    void fileName_data()
    {
        QTest::addColumn<int>("k");
        QTest::addColumn<QString>("name");
        QTest::newRow("first object") << 1 << "DI_1-1.dat";
        QTest::newRow("last of module 1") << 128 << "DI_1-128.dat";
        QTest::newRow("first of module 2") << 129 << "DI_2-1.dat";
        QTest::newRow("no leading zeros") << 273 << "DI_3-17.dat";
        QTest::newRow("last object") << 1024 << "DI_8-128.dat";
    }
    void fileName()
    {
        QFETCH(int, k);
        QFETCH(QString, name);
        QCOMPARE(InformationFile::fileName(k), name);
        QCOMPARE(InformationFile(m_dir.path(), k).path(), QDir(m_dir.path()).filePath(name));
    }

    // read() gives the file unchanged; load() the editor's text: the one CR LF
    // that saving puts after the text taken off, CR LF inside made "\n".
    void readAndLoad_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("asRead");
        QTest::addColumn<QString>("asLoaded");
        QTest::newRow("saved text") << QByteArray("a\r\nb\r\n") << "a\r\nb\r\n"
                                    << "a\nb";
        QTest::newRow("no line end after the last line") << QByteArray("a\r\nb") << "a\r\nb"
                                                         << "a\nb";
        QTest::newRow("only one CR LF is the saving's") << QByteArray("a\r\n\r\n") << "a\r\n\r\n"
                                                        << "a\n";
        QTest::newRow("lone LF stays") << QByteArray("a\nb") << "a\nb"
                                       << "a\nb";
        QTest::newRow("empty file") << QByteArray() << ""
                                    << "";
        QTest::newRow("an empty saved text") << QByteArray("\r\n") << "\r\n"
                                             << "";
        QTest::newRow("code page 1251")
            << toCp1251(u"Ключ при съседа\r\n") << QStringLiteral("Ключ при съседа\r\n")
            << QStringLiteral("Ключ при съседа");
    }
    void readAndLoad()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, asRead);
        QFETCH(QString, asLoaded);
        writeBytes(pathOf(kObject), bytes);
        InformationFile file(m_dir.path(), kObject);
        QVERIFY(file.exists());
        QCOMPARE(file.read(), std::optional<QString>(asRead));
        QCOMPARE(file.load(), std::optional<QString>(asLoaded));
        QCOMPARE(file.errorString(), QString());
    }

    // What the editor loaded and saves unchanged leaves the file as it was.
    void savedAsLoadedLeavesTheFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("saved text") << QByteArray("a\r\nb\r\n");
        QTest::newRow("empty line at the end") << QByteArray("a\r\n\r\n");
        QTest::newRow("code page 1251") << toCp1251(u"тел. 123\r\n");
    }
    void savedAsLoadedLeavesTheFile()
    {
        QFETCH(QByteArray, bytes);
        writeBytes(pathOf(kObject), bytes);
        InformationFile file(m_dir.path(), kObject);
        const std::optional<QString> text = file.load();
        QVERIFY(text);
        QVERIFY(file.save(*text));
        QCOMPARE(fileBytes(pathOf(kObject)), bytes);
    }

    void missingIsEmptyNotAnError()
    {
        InformationFile file(m_dir.path(), kObject);
        QVERIFY(!file.exists());
        QCOMPARE(file.read(), std::optional<QString>(QString()));
        QCOMPARE(file.load(), std::optional<QString>(QString()));
        QCOMPARE(file.errorString(), QString());
    }

    // There but not readable: nothing read, and the reason given; a later
    // read that succeeds forgets it.
    void unreadable_data()
    {
        QTest::addColumn<bool>("breaksOff");
        QTest::newRow("cannot be opened") << false;
        QTest::newRow("read breaks off") << true;
    }
    void unreadable()
    {
        QFETCH(bool, breaksOff);
        const QString path = pathOf(kObject);
        QVERIFY(breaksOff ? test::makeReadBreakOff(path) : test::makeUnopenable(path));
        InformationFile file(m_dir.path(), kObject);
        QVERIFY(file.exists());
        QVERIFY(!file.read());
        QVERIFY(!file.errorString().isEmpty());
        QVERIFY(!file.load());
        QVERIFY(!file.errorString().isEmpty());
        QFile::remove(path);
        QDir().rmdir(path);
        writeBytes(path, "text\r\n");
        QCOMPARE(file.read(), std::optional<QString>(QStringLiteral("text\r\n")));
        QCOMPARE(file.errorString(), QString());
    }
};

QTEST_GUILESS_MAIN(TestInformationFile)
#include "tst_informationfile.moc"

#include "core/Cp1251.h"
#include "core/ObjectFiles.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zelvan;

using zelvan::test::fileBytes;
using zelvan::test::writeBytes;

namespace {

QByteArray record(const QByteArray& file, int r, int length)
{
    return file.mid((r - 1) * length, length);
}

QByteArray textField(const QByteArray& text, int length)
{
    QByteArray b;
    b.append(char(text.size() & 0xff)).append(char(text.size() >> 8)).append(text);
    b.resize(length, '\0');
    return b;
}

} // namespace

class TestObjectFiles : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString dataDir() const { return m_dir.path(); }

private slots:
    void init()
    {
        for (const char* f : {"Name.dat", "Color.dat", "Kavel.dat"})
            QFile::remove(m_dir.filePath(QString::fromLatin1(f)));
    }

    void createdFilesHaveTheirLayout()
    {
        ObjectFiles files(dataDir());
        QVERIFY(files.createMissing());
        const QByteArray names = fileBytes(files.namePath());
        const QByteArray colors = fileBytes(files.colorPath());
        const QByteArray kavel = fileBytes(files.kavelPath());
        QCOMPARE(names, QByteArray(70 * 1024, '\0'));
        QCOMPARE(colors, QByteArray(4 * 1024, '\0'));
        QCOMPARE(kavel.size(), 16 * 10240);

        // Object 129 (module 2, object 1) owns records 1281..1290.
        const QByteArray expected[10] = {textField("220 V", 16),
                                         textField(toCp1251(u"Батерия"), 16),
                                         textField(toCp1251(u"Зона 1"), 16),
                                         textField(toCp1251(u"Зона 2"), 16),
                                         textField(toCp1251(u"Зона 3"), 16),
                                         textField("", 16),
                                         textField("", 16),
                                         QByteArray("\x02\x00\x0a\x00", 4).leftJustified(16, '\0'),
                                         textField("00", 16),
                                         QByteArray("\x02\x00\x00\x00", 4).leftJustified(16, '\0')};
        for (int i = 0; i < 10; ++i)
            QCOMPARE(record(kavel, 1281 + i, 16), expected[i]);
        QCOMPARE(ObjectFiles::kavelRecord(129, 1), 1281);
        QCOMPARE(ObjectFiles::kavelRecord(129, 10), 1290);
    }

    void freshBoardDefaults_data()
    {
        QTest::addColumn<int>("k");
        QTest::newRow("first") << 1;
        QTest::newRow("module 2 object 1") << 129;
        QTest::newRow("last") << 1024;
    }
    void freshBoardDefaults()
    {
        QFETCH(int, k);
        ObjectFiles files(dataDir());
        QVERIFY(files.createMissing());
        const ObjectFiles::BoardSettings b = files.board(k);
        QCOMPARE(b.captions[0], QStringLiteral("220 V"));
        QCOMPARE(b.captions[1], QStringLiteral("Батерия"));
        QCOMPARE(b.captions[2], QStringLiteral("Зона 1"));
        QCOMPARE(b.captions[3], QStringLiteral("Зона 2"));
        QCOMPARE(b.captions[4], QStringLiteral("Зона 3"));
        QCOMPARE(b.period, 10);
        QCOMPARE(b.code, QStringLiteral("00"));
        QCOMPARE(b.directPair, false);
        QCOMPARE(files.kavelCaption(k, 2), QStringLiteral("Батерия"));

        StationState state;
        state.KavelPeriod.fill(0);
        state.KavelDirectPair.fill(-1);
        files.loadBoards(state);
        QCOMPARE(state.KavelPeriod[size_t(k)], 10);
        QCOMPARE(state.KavelCode[size_t(k)], QStringLiteral("00"));
        QCOMPARE(state.KavelDirectPair[size_t(k)], qint16(0));
    }

    void onlyMissingFilesAreCreated()
    {
        ObjectFiles files(dataDir());
        QVERIFY(files.createMissing());
        QVERIFY(files.setName(5, QStringLiteral("Магазин")));
        QVERIFY(files.setColor(5, 0x00ff00));
        QVERIFY(QFile::remove(files.colorPath()));
        QVERIFY(files.createMissing());
        QCOMPARE(files.color(5), 0);
        QCOMPARE(files.name(5), QStringLiteral("Магазин"));
    }

    void names_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("read");
        const QString name68 = QString(67, QLatin1Char('x')) + QStringLiteral("Я");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("cyrillic") << QStringLiteral("ул. Шипка 3, ап. 12")
                                  << QStringLiteral("ул. Шипка 3, ап. 12");
        QTest::newRow("68 fills the record") << name68 << name68;
        QTest::newRow("longer is cut to 68") << name68 + QStringLiteral("overflow") << name68;
    }
    void names()
    {
        QFETCH(QString, written);
        QFETCH(QString, read);
        ObjectFiles files(dataDir());
        QVERIFY(files.createMissing());
        QVERIFY(files.setName(129, QStringLiteral("before")));
        QVERIFY(files.setName(131, QStringLiteral("after")));
        QVERIFY(files.setName(130, written));
        QCOMPARE(files.name(130), read);
        // Neighbours untouched, file length unchanged.
        QCOMPARE(files.name(129), QStringLiteral("before"));
        QCOMPARE(files.name(131), QStringLiteral("after"));
        const QByteArray bytes = fileBytes(files.namePath());
        QCOMPARE(bytes.size(), 70 * 1024);
        QCOMPARE(record(bytes, 130, 70), textField(toCp1251(read), 70));
    }

    void shortAndMissingRecords()
    {
        ObjectFiles files(dataDir());
        // Name.dat ending right after the field of record 2; Kavel.dat holding
        // one object whose last record is short, the period written with code 3.
        writeBytes(files.namePath(), textField("", 70)
                                         + QByteArray("\x03\x00"
                                                      "abc",
                                                      5));
        QByteArray kavel;
        for (int i = 0; i < 7; ++i)
            kavel += textField("", 16);
        kavel += QByteArray("\x03\x00\x78\x00\x00\x00", 6).leftJustified(16, '\0');
        kavel += textField("A7", 16);
        kavel += QByteArray("\x02\x00\x01\x00", 4);
        writeBytes(files.kavelPath(), kavel);
        writeBytes(files.colorPath(), QByteArray("\x11\x22", 2));

        QCOMPARE(files.name(2), QStringLiteral("abc"));
        QCOMPARE(files.name(3), QString());
        QCOMPARE(files.name(1024), QString());
        QCOMPARE(files.color(1), 0x2211);
        QCOMPARE(files.color(2), 0);
        const auto b = files.board(1);
        QCOMPARE(b.period, 120);
        QCOMPARE(b.code, QStringLiteral("A7"));
        QVERIFY(b.directPair);
        QCOMPARE(files.board(2).period, 0);

        StationState state;
        files.loadBoards(state);
        files.loadColors(state);
        QCOMPARE(state.KavelPeriod[1], 120);
        QCOMPARE(state.KavelDirectPair[1], qint16(-1));
        QCOMPARE(state.KavelPeriod[2], 0);
        QCOMPARE(state.KavelCode[2], QString());
        QCOMPARE(state.ObjColor[1], 0x2211);
        QCOMPARE(state.ObjColor[1024], 0);
    }

    void damagedLengthStaysInsideTheRecord()
    {
        ObjectFiles files(dataDir());
        writeBytes(files.namePath(),
                   QByteArray("\xff\xff", 2) + QByteArray(68, 'n') + textField("next", 70));
        QCOMPARE(files.name(1), QString(68, QLatin1Char('n')));
        QCOMPARE(files.name(2), QStringLiteral("next"));
    }

    void boardSettingsRoundTrip()
    {
        ObjectFiles files(dataDir());
        QVERIFY(files.createMissing());
        ObjectFiles::BoardSettings b;
        b.captions = {QStringLiteral("Мрежа"), QStringLiteral("Акумулатор твърде дълъг"),
                      QStringLiteral("Вход"), QString(), QStringLiteral("Врата")};
        b.period = 60;
        b.code = QStringLiteral("1F");
        b.directPair = true;
        QVERIFY(files.setBoard(1024, b));

        const auto read = files.board(1024);
        QCOMPARE(read.captions[0], QStringLiteral("Мрежа"));
        QCOMPARE(read.captions[1], QStringLiteral("Акумулатор твъ")); // cut to 14
        QCOMPARE(read.captions[3], QString());
        QCOMPARE(read.period, 60);
        QCOMPARE(read.code, QStringLiteral("1F"));
        QVERIFY(read.directPair);

        const QByteArray kavel = fileBytes(files.kavelPath());
        QCOMPARE(kavel.size(), 16 * 10240);
        // Period with code 3, direct pair with code 2; reserved records untouched.
        QCOMPARE(record(kavel, 10238, 16),
                 QByteArray("\x03\x00\x3c\x00\x00\x00", 6).leftJustified(16, '\0'));
        QCOMPARE(record(kavel, 10240, 16),
                 QByteArray("\x02\x00\x01\x00", 4).leftJustified(16, '\0'));
        QCOMPARE(record(kavel, 10236, 16), textField("", 16));
        // The object before is unchanged.
        QCOMPARE(files.board(1023).captions[0], QStringLiteral("220 V"));
    }

    void writesExtendAShortFileWithZeros()
    {
        ObjectFiles files(dataDir());
        QVERIFY(files.setColor(3, qint32(0x00ff8040)));
        QCOMPARE(fileBytes(files.colorPath()),
                 QByteArray(8, '\0') + QByteArray("\x40\x80\xff\x00", 4));
        QCOMPARE(files.color(3), 0x00ff8040);
    }

    void objectsOutsideTheTables()
    {
        ObjectFiles files(dataDir());
        QVERIFY(files.createMissing());
        QVERIFY(!files.setName(0, QStringLiteral("x")));
        QVERIFY(!files.setName(1025, QStringLiteral("x")));
        QVERIFY(!files.setColor(-1, 1));
        QCOMPARE(files.name(1025), QString());
        QCOMPARE(files.kavelCaption(1, 6), QString());
        QCOMPARE(fileBytes(files.namePath()).size(), 70 * 1024);
    }

    void eachMissingFileIsTried_data()
    {
        QTest::addColumn<QStringList>("blocked");
        QTest::newRow("Name.dat") << QStringList{QStringLiteral("Name.dat")};
        QTest::newRow("Color.dat") << QStringList{QStringLiteral("Color.dat")};
        QTest::newRow("Name.dat and Kavel.dat")
            << QStringList{QStringLiteral("Name.dat"), QStringLiteral("Kavel.dat")};
    }
    void eachMissingFileIsTried()
    {
        QFETCH(QStringList, blocked);
        QTemporaryDir dir;
        // A directory where a file's temporary copy goes: that file cannot be
        // created, even by root.
        for (const QString& name : blocked)
            QVERIFY(QDir(dir.path()).mkdir(name + QStringLiteral(".tmp")));
        ObjectFiles files(dir.path());
        QVERIFY(!files.createMissing());
        const QStringList errors = files.errorString().split(QLatin1Char('\n'));
        QCOMPARE(errors.size(), blocked.size());
        for (const char* f : {"Name.dat", "Color.dat", "Kavel.dat"}) {
            const QString name = QString::fromLatin1(f);
            QCOMPARE(QFile::exists(dir.filePath(name)), !blocked.contains(name));
            QCOMPARE(files.errorString().contains(name), blocked.contains(name));
        }
    }

    void unwritableDirectoryIsReported()
    {
        ObjectFiles files(m_dir.filePath(QStringLiteral("missing/dir")));
        QVERIFY(!files.createMissing());
        QVERIFY(files.errorString().contains(QStringLiteral("Name.dat")));
        QVERIFY(!files.setName(1, QStringLiteral("x")));
    }
};

QTEST_GUILESS_MAIN(TestObjectFiles)
#include "tst_objectfiles.moc"

#include "core/Cp1251.h"
#include "core/ZelvanIni.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zelvan;

using zelvan::test::fileBytes;
using zelvan::test::writeBytes;

namespace {

// The default file with its sections joined by CR LF, for tests that reorder
// or damage them.
QList<QByteArray> defaultSections(const ZelvanIni& ini)
{
    QList<QByteArray> sections = ini.defaultContent().split('[');
    sections.removeFirst();
    for (QByteArray& s : sections) {
        s.prepend('[');
        if (!s.endsWith("\r\n\r\n"))
            s.append("\r\n");
    }
    return sections;
}

QList<int> enabledModules(const StartupConfig& config)
{
    StationState state;
    config.applyTo(state);
    QList<int> on;
    for (int m = 0; m <= kModuleCount; ++m) {
        if (state.ModuleEnabled[size_t(m)])
            on << m;
    }
    return on;
}

} // namespace

class TestZelvanIni : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    ZelvanIni ini() const { return ZelvanIni(m_dir.path()); }

private slots:
    void init()
    {
        QFile::remove(ini().path());
        QFile::remove(ini().tmpPath());
        QDir(ini().tmpPath()).removeRecursively();
    }

    void defaultFileIsByteExact()
    {
        QVERIFY(!ini().exists());
        QVERIFY(ini().WriteDefaultConfig());
        const QByteArray expected = "[DirData]\r\n" + QFile::encodeName(m_dir.path())
                                    + "/Data\r\n\r\n"
                                      "[Visible 0]\r\nN\r\n\r\n"
                                      "[System]\r\n0\r\n\r\n"
                                      "[Hub]\r\nY\r\n\r\n"
                                      "[CommPort]\r\n1\r\n4800,n,8,1\r\n2\r\n4800,n,8,1\r\n\r\n"
                                      "[Moduls]\r\nYYYYYYYY\r\n\r\n"
                                      "[Options]\r\n1\r\n1\r\n0\r\n1\r\n0\r\n0\r\n\r\n"
                                      "[FontPrinter]\r\nMS Sans Serif\r\n11\r\n0\r\n0\r\n";
        QCOMPARE(fileBytes(ini().path()), expected);
        QVERIFY(!QFile::exists(ini().tmpPath()));

        const StartupConfig c = ini().readStartup();
        QCOMPARE(c.problems, QStringList());
        QCOMPARE(c.DataDir, m_dir.path() + QStringLiteral("/Data"));
        QCOMPARE(c.ShowSystemZero, QStringLiteral("N"));
        QCOMPARE(c.SystemNo, qint16(0));
        QCOMPARE(c.HubMode, QStringLiteral("Y"));
        QCOMPARE(c.ports[0].token, QStringLiteral("1"));
        QCOMPARE(c.ports[0].settings, QStringLiteral("4800,n,8,1"));
        QCOMPARE(c.ports[1].token, QStringLiteral("2"));
        QCOMPARE(c.options, kDefaultOptions);
        QCOMPARE(enabledModules(c), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
        const PrinterFont font = ini().readPrinterFont();
        QCOMPARE(font.name, QStringLiteral("MS Sans Serif"));
        QCOMPARE(font.size, 11);
        QVERIFY(!font.bold && !font.italic);
    }

    void sectionOrderDoesNotMatter()
    {
        QVERIFY(ini().WriteDefaultConfig());
        const StartupConfig before = ini().readStartup();
        QList<QByteArray> sections = defaultSections(ini());
        QCOMPARE(sections.size(), 8);
        std::reverse(sections.begin(), sections.end());
        writeBytes(ini().path(), sections.join());
        const StartupConfig after = ini().readStartup();
        QCOMPARE(after.problems, QStringList());
        QCOMPARE(after.DataDir, before.DataDir);
        QCOMPARE(after.ports[1].settings, before.ports[1].settings);
        QCOMPARE(after.options, before.options);
        QCOMPARE(after.moduls, before.moduls);
        QCOMPARE(ini().readPrinterFont().size, 11);
    }

    void values_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("dataDir");
        QTest::addColumn<int>("systemNo");
        QTest::addColumn<QString>("hub");
        QTest::addColumn<QString>("settings1");
        QTest::addColumn<QList<int>>("modules");
        QTest::addColumn<int>("option2");
        const QByteArray tail =
            "[Visible 0]\r\nY\r\n\r\n[Options]\r\n 1 \r\n 0 \r\n0\r\n1\r\n0\r\n0\r\n";
        QTest::newRow("one Y then seven N") << "[DirData]\r\n/srv/"
                                               "z\r\n[System]\r\n3\r\n[Hub]\r\nN\r\n[CommPort]"
                                               "\r\n1\r\n9600,e,7,1\r\n0\r\n4800,n,8,1\r\n"
                                               "[Moduls]\r\nYNNNNNNN\r\n"
                                                   + tail
                                            << "/srv/z" << 3 << "N"
                                            << "9600,e,7,1" << QList<int>{1} << 0;
        QTest::newRow("two Y only") << "[Moduls]\r\nYY\r\n[CommPort]\r\n/dev/ttyUSB0\r\n  "
                                       "19200,n,8,2\r\n2\r\nx\r\n[DirData]\r\n\"/a b/c\",rest\r\n"
                                       "[System]\r\n 7\r\n[Hub]\r\nY\r\n"
                                           + tail
                                    << "/a b/c" << 7 << "Y"
                                    << "  19200,n,8,2" << QList<int>{1, 2} << 0;
        QTest::newRow("lower-case y enables none")
            << "[Moduls]\r\nyyyyyyyy\r\n[DirData]\r\nD\r\n[System]\r\n0\r\n[Hub]\r\nY\r\n[CommPort]"
               "\r\n1\r\ns\r\n2\r\ns\r\n"
                   + tail
            << "D" << 0 << "Y"
            << "s" << QList<int>{} << 0;
        QTest::newRow("LF lines, modules 3 and 5") << QByteArray(
            "[Moduls]\nNNYNYNNN\n[DirData]\nD\n[System]\n2.5\n[Hub]\nY\n[CommPort]\n1\ns\n2\ns\n"
            "[Visible 0]\nY\n[Options]\n1\n1\n0\n1\n0\n0\n")
                                                   << "D" << 2 << "Y"
                                                   << "s" << QList<int>{3, 5} << 1;
    }
    void values()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, dataDir);
        QFETCH(int, systemNo);
        QFETCH(QString, hub);
        QFETCH(QString, settings1);
        QFETCH(QList<int>, modules);
        QFETCH(int, option2);
        writeBytes(ini().path(), file);
        const StartupConfig c = ini().readStartup();
        QCOMPARE(c.problems, QStringList());
        QCOMPARE(c.DataDir, dataDir);
        QCOMPARE(int(c.SystemNo), systemNo);
        QCOMPARE(c.HubMode, hub);
        QCOMPARE(c.ports[0].settings, settings1);
        QCOMPARE(enabledModules(c), modules);
        QCOMPARE(int(c.options[1]), option2);

        StationState state;
        c.applyTo(state);
        QCOMPARE(state.DataDir, dataDir);
        QCOMPARE(int(state.SystemNo), systemNo);
        QCOMPARE(state.ShowSystemZero, QStringLiteral("Y"));
        QCOMPARE(int(state.OptShowEvents), option2);
        QCOMPARE(state.hubTopology(), hub == QLatin1String("Y"));
    }

    void directTopologyServesOnlyModulesOneAndTwo()
    {
        StartupConfig c;
        c.HubMode = QStringLiteral("N");
        c.moduls = QStringLiteral("YYYYYYYY");
        StationState state;
        c.applyTo(state);
        for (int m = 1; m <= kModuleCount; ++m)
            QCOMPARE(state.ModuleEnabled[size_t(m)], m <= 2);
        c.HubMode = QStringLiteral("Y");
        c.applyTo(state);
        for (int m = 1; m <= kModuleCount; ++m)
            QVERIFY(state.ModuleEnabled[size_t(m)]);
    }

    // [Operators] is keyed and optional: IdleMinutes=n, 0 (never) without it;
    // a value that cannot be read is 0 and named.
    void operatorIdleMinutes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<bool>("problem");
        QTest::newRow("no section") << QByteArray("[System]\r\n0\r\n") << 0 << false;
        QTest::newRow("fifteen") << QByteArray("[Operators]\r\nIdleMinutes=15\r\n") << 15 << false;
        QTest::newRow("spaces and case")
            << QByteArray("[operators]\r\n idleminutes = 5 \r\n") << 5 << false;
        QTest::newRow("another section's key")
            << QByteArray("[System]\r\nIdleMinutes=9\r\n[Operators]\r\n") << 0 << false;
        QTest::newRow("not a number")
            << QByteArray("[Operators]\r\nIdleMinutes=x\r\n") << 0 << true;
        QTest::newRow("negative") << QByteArray("[Operators]\nIdleMinutes=-3\n") << 0 << true;
        QTest::newRow("over a day") << QByteArray("[Operators]\nIdleMinutes=1441\n") << 0 << true;
    }
    void operatorIdleMinutes()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, minutes);
        QFETCH(bool, problem);
        const StartupConfig config = ini().startupFrom(file);
        QCOMPARE(config.operatorIdleMinutes, minutes);
        QCOMPARE(config.problems.join(QLatin1Char(' ')).contains(QStringLiteral("[Operators]")),
                 problem);
    }

    void portOpening_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<bool>("open");
        QTest::newRow("1") << "1" << true;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("-1") << "-1" << false;
        QTest::newRow("0.4 rounds to 0") << "0.4" << false;
        QTest::newRow("device path") << "/dev/ttyUSB0" << true;
    }
    void portOpening()
    {
        QFETCH(QString, token);
        QFETCH(bool, open);
        QCOMPARE(PortConfig{token}.shouldOpen(), open);
    }

    void portNameLeavesThePortClosed()
    {
        QList<QByteArray> sections = defaultSections(ini());
        for (QByteArray& s : sections) {
            if (s.startsWith("[CommPort]"))
                s = "[CommPort]\r\nCOM1\r\n4800,n,8,1\r\n2\r\n4800,n,8,1\r\n\r\n";
        }
        writeBytes(ini().path(), sections.join());
        const StartupConfig c = ini().readStartup();
        QVERIFY(!c.ports[0].shouldOpen());
        QVERIFY(c.ports[1].shouldOpen());
        QVERIFY(c.problems.join(QString()).contains(QStringLiteral("COM1")));
    }

    void damagedFileFallsBackPerValue_data()
    {
        QTest::addColumn<QByteArray>("remove");  // section dropped from the default file
        QTest::addColumn<QByteArray>("replace"); // section text put in its place
        QTest::addColumn<QString>("problemAbout");
        QTest::newRow("missing section") << QByteArray("[System]") << QByteArray() << "[System]";
        QTest::newRow("non-numeric system")
            << QByteArray("[System]") << QByteArray("[System]\r\nX\r\n\r\n") << "[System]";
        QTest::newRow("system of two digits")
            << QByteArray("[System]") << QByteArray("[System]\r\n12\r\n\r\n") << "[System]";
        QTest::newRow("too few options")
            << QByteArray("[Options]") << QByteArray("[Options]\r\n0\r\n0\r\n\r\n") << "[Options]";
        QTest::newRow("non-numeric option")
            << QByteArray("[Options]")
            << QByteArray("[Options]\r\n0\r\nda\r\n0\r\n1\r\n0\r\n0\r\n\r\n") << "[Options]";
        QTest::newRow("option 2") << QByteArray("[Options]")
                                  << QByteArray("[Options]\r\n0\r\n2\r\n0\r\n1\r\n0\r\n0\r\n\r\n")
                                  << "[Options]";
        QTest::newRow("option -1")
            << QByteArray("[Options]")
            << QByteArray("[Options]\r\n0\r\n1\r\n0\r\n-1\r\n0\r\n0\r\n\r\n") << "[Options]";
        QTest::newRow("hub y") << QByteArray("[Hub]") << QByteArray("[Hub]\r\ny\r\n\r\n")
                               << "[Hub]";
        QTest::newRow("hub Yes") << QByteArray("[Hub]") << QByteArray("[Hub]\r\nYes\r\n\r\n")
                                 << "[Hub]";
        QTest::newRow("visible y")
            << QByteArray("[Visible 0]") << QByteArray("[Visible 0]\r\ny\r\n\r\n") << "[Visible 0]";
        QTest::newRow("port name")
            << QByteArray("[CommPort]")
            << QByteArray("[CommPort]\r\nCOM1\r\n4800,n,8,1\r\n2\r\n4800,n,8,1\r\n\r\n")
            << "[CommPort]";
        QTest::newRow("no port lines")
            << QByteArray("[CommPort]") << QByteArray("[CommPort]\r\n\r\n") << "[CommPort]";
        QTest::newRow("empty data directory")
            << QByteArray("[DirData]") << QByteArray("[DirData]\r\n\"\"\r\n\r\n") << "[DirData]";
    }
    void damagedFileFallsBackPerValue()
    {
        QFETCH(QByteArray, remove);
        QFETCH(QByteArray, replace);
        QFETCH(QString, problemAbout);
        QList<QByteArray> sections = defaultSections(ini());
        for (QByteArray& s : sections) {
            if (s.startsWith(remove))
                s = replace;
        }
        writeBytes(ini().path(), sections.join());

        const StartupConfig c = ini().readStartup();
        QVERIFY(!c.problems.isEmpty());
        for (const QString& p : c.problems)
            QVERIFY2(p.contains(problemAbout), qPrintable(p));
        // Whatever was damaged, every value is the default one, and the values
        // read before the damage are kept.
        QCOMPARE(c.DataDir, ini().defaultDataDir());
        QCOMPARE(c.SystemNo, qint16(0));
        // A port name reads as 0 (closed), never as the default port.
        QCOMPARE(c.ports[0].token,
                 replace.contains("COM1") ? QStringLiteral("0") : QStringLiteral("1"));
        QCOMPARE(c.ports[1].settings, QStringLiteral("4800,n,8,1"));
        QCOMPARE(c.options[0], remove == "[Options]" ? qint16(0) : qint16(1));
        QCOMPARE(c.options[3], qint16(1));
        QCOMPARE(enabledModules(c).size(), 8);
        QCOMPARE(c.HubMode, QStringLiteral("Y"));
        QCOMPARE(c.ShowSystemZero, QStringLiteral("N"));
    }

    void missingFileIsAProblem()
    {
        const StartupConfig c = ini().readStartup();
        QCOMPARE(c.problems.size(), 1);
        QCOMPARE(c.DataDir, ini().defaultDataDir());
    }

    void optionsRewriteKeepsEveryOtherLine()
    {
        const QByteArray head = "; hand-edited\r\n\r\n[DirData]\r\n" + toCp1251(u"/srv/Данни")
                                + "\r\n\r\n\r\n"
                                  "[Extra]\n  kept as it is  \r\n\r\n";
        const QByteArray middle = "\r\n[Moduls]\r\nYYNNNNNN\r\n\r\n";
        const QByteArray oldOptions = "[Options]\r\n 1 \r\n 1 \r\n 0 \r\n 1 \r\n 0 \r\n 0 \r\n";
        const QByteArray oldFont = "[FontPrinter]\r\nArial\r\n10\r\n1\r\n0\r\n";
        writeBytes(ini().path(), head + oldOptions + middle + oldFont + "\r\n[Trailer]\r\nx");

        PrinterFont font;
        font.name = QStringLiteral("Тахома");
        font.size = 12;
        font.bold = false;
        font.italic = true;
        QVERIFY(ini().SaveMenuOptions({0, 1, 1, 0, 1, 1}, font));
        const QByteArray newOptions = "[Options]\r\n0\r\n1\r\n1\r\n0\r\n1\r\n1\r\n";
        const QByteArray newFont =
            "[FontPrinter]\r\n" + toCp1251(u"Тахома") + "\r\n12\r\n0\r\n1\r\n";
        QCOMPARE(fileBytes(ini().path()),
                 head + newOptions + middle + newFont + "\r\n[Trailer]\r\nx");
        QVERIFY(!QFile::exists(ini().tmpPath()));

        QCOMPARE(ini().readOptions(), (std::array<qint16, 6>{0, 1, 1, 0, 1, 1}));
        const PrinterFont read = ini().readPrinterFont();
        QCOMPARE(read.name, QStringLiteral("Тахома"));
        QCOMPARE(read.size, 12);
        QVERIFY(!read.bold && read.italic);
    }

    void rewriteOfShortOrMissingSections()
    {
        // [Options] with two values: the section is completed, [Hub] after it
        // survives. [FontPrinter] is missing: it is added at the end.
        writeBytes(ini().path(), "[Options]\r\n1\r\n0\r\n\r\n[Hub]\r\nN\r\n");
        QVERIFY(ini().SaveMenuOptions({1, 0, 1, 0, 1, 0}, PrinterFont{}));
        QCOMPARE(fileBytes(ini().path()),
                 QByteArray("[Options]\r\n1\r\n0\r\n1\r\n0\r\n1\r\n0\r\n\r\n[Hub]\r\nN\r\n"
                            "\r\n[FontPrinter]\r\nMS Sans Serif\r\n11\r\n0\r\n0\r\n"));
        QStringList problems;
        QCOMPARE(ini().readOptions(&problems), (std::array<qint16, 6>{1, 0, 1, 0, 1, 0}));
        QCOMPARE(problems, QStringList());
    }

    // What the options rewrite writes reads back as written, and the font read
    // from the file reads back the same: no value shifts into its neighbour's place.
    void rewriteReadsBack_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << QByteArray("[FontPrinter]\r\nArial\r\n10\r\n1\r\n0\r\n")
                               << "Arial";
        QTest::newRow("empty font name before a comma")
            << QByteArray("[FontPrinter]\r,D[\r8") << "MS Sans Serif";
        QTest::newRow("quoted font name with a comma")
            << QByteArray("[FontPrinter]\r\n\"Arial, Bold\"\r\n10\r\n1\r\n0\r\n") << "Arial, Bold";
        QTest::newRow("options on the header's line")
            << QByteArray("[Options],1,1,0,1,0,0\r\n[Hub]\r\nN\r\n") << "MS Sans Serif";
        QTest::newRow("options on the header's line, the next section after them")
            << QByteArray("[Options],1,1\r\n0\r\n1,0,0,[Hub]\r\nN\r\n") << "MS Sans Serif";
        QTest::newRow("the next header, values on its line, where the font name would be")
            << QByteArray("[FontPrinter]\r\n[Options],,,,,,,\r\n1\r\n0\r\n[Hub]\r\nY\r\n")
            << "MS Sans Serif";
    }
    void rewriteReadsBack()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, name);
        const PrinterFont font = ZelvanIni::printerFontFrom(file);
        QCOMPARE(font.name, name);
        const std::array<qint16, 6> options{0, 1, 1, 0, 1, 1};
        const QByteArray rewritten = ZelvanIni::withMenuOptions(file, options, font);
        QStringList problems;
        QCOMPARE(ZelvanIni::optionsFrom(rewritten, &problems), options);
        const PrinterFont back = ZelvanIni::printerFontFrom(rewritten, &problems);
        QCOMPARE(problems, QStringList());
        QCOMPARE(back.name, font.name);
        QCOMPARE(back.size, font.size);
        QCOMPARE(back.bold, font.bold);
        QCOMPARE(back.italic, font.italic);
        // Every other section reads as it did.
        const ZelvanIni any(QStringLiteral("/station"));
        QCOMPARE(any.startupFrom(rewritten).HubMode, any.startupFrom(file).HubMode);
    }

    void failedRewriteLeavesTheOldFile()
    {
        QVERIFY(ini().WriteDefaultConfig());
        const QByteArray before = fileBytes(ini().path());
        // zelvan.tmp cannot be written: zelvan.ini stays complete and unchanged.
        QVERIFY(QDir().mkdir(ini().tmpPath()));
        const ZelvanIni file = ini();
        QVERIFY(!file.SaveMenuOptions({0, 0, 0, 0, 0, 0}, PrinterFont{}));
        QVERIFY(file.errorString().contains(QStringLiteral("zelvan.tmp")));
        QCOMPARE(fileBytes(ini().path()), before);
        QVERIFY(QDir().rmdir(ini().tmpPath()));

        // A stale zelvan.tmp from an interrupted run is simply replaced.
        writeBytes(ini().tmpPath(), "stale");
        QVERIFY(ini().SaveMenuOptions({0, 0, 0, 0, 0, 0}, PrinterFont{}));
        QVERIFY(!QFile::exists(ini().tmpPath()));
        QCOMPARE(ini().readOptions(), (std::array<qint16, 6>{0, 0, 0, 0, 0, 0}));
    }
};

QTEST_GUILESS_MAIN(TestZelvanIni)
#include "tst_zelvanini.moc"

#include "menu/ExportTarget.h"
#include "report/ReportTexts.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace zelvan;
using namespace zelvan::test;

namespace {

using Refusal = ExportTarget::Refusal;
using Kind = ExportTarget::Kind;

// A station laid out under one folder: the program directory prog (with its
// operators file and zelvan.ini), the data directory data beside it, and the
// operator's folder out with what a save dialog may point at.
struct Station
{
    QTemporaryDir root;
    QString at(const QString& relative) const { return root.filePath(relative); }
    ExportTarget target() const { return ExportTarget(at("prog"), at("data")); }

    Station()
    {
        for (const char* dir : {"prog", "data/Reports", "out/dir.csv", "prog2"})
            QDir().mkpath(at(QLatin1String(dir)));
        for (const char* file : {"prog/operators", "prog/zelvan.ini", "data/26-12-07.dat",
                                 "out/real.csv", "out/old.CSV", "out/report.pdf", "out/notes.txt"})
            writeBytes(at(QLatin1String(file)), "old");
        QFile::link(at("prog"), at("out/toprog"));
        QFile::link(at("data/26-12-07.dat"), at("out/day.csv"));
        QFile::link(at("out/real.csv"), at("out/link.csv"));
        QFile::link(at("out/nowhere.csv"), at("out/dangling.csv"));
        ::mkfifo(QFile::encodeName(at("out/fifo.csv")).constData(), 0600);
    }
};

} // namespace

class TestExportTarget : public QObject
{
    Q_OBJECT
private slots:
    // Paths relative to the station's folder, judged for an export of a kind.
    void refusals_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<Refusal>("refusal");
        const Kind csv = Kind::Csv;
        const Kind pdf = Kind::Pdf;
        QTest::newRow("new file") << "out/new.csv" << csv << Refusal::None;
        QTest::newRow("new file of any name") << "out/new.txt" << csv << Refusal::None;
        QTest::newRow("own kind replaced") << "out/real.csv" << csv << Refusal::None;
        QTest::newRow("suffix in capitals") << "out/old.CSV" << csv << Refusal::None;
        QTest::newRow("pdf over pdf") << "out/report.pdf" << pdf << Refusal::None;
        QTest::newRow("dot-dot out of the program directory")
            << "prog/../out/new.csv" << csv << Refusal::None;
        QTest::newRow("name starting as the program directory")
            << "prog2/new.csv" << csv << Refusal::None;
        QTest::newRow("operators file") << "prog/operators" << csv << Refusal::ProgramDir;
        QTest::newRow("zelvan.ini as pdf") << "prog/zelvan.ini" << pdf << Refusal::ProgramDir;
        QTest::newRow("new file in the program directory")
            << "prog/journal.csv" << csv << Refusal::ProgramDir;
        QTest::newRow("through a link to the program directory")
            << "out/toprog/operators" << csv << Refusal::ProgramDir;
        QTest::newRow("dot-dot into the program directory")
            << "out/../prog/x.pdf" << pdf << Refusal::ProgramDir;
        QTest::newRow("day file") << "data/26-12-07.dat" << csv << Refusal::DataDir;
        QTest::newRow("reports folder of the data directory")
            << "data/Reports/a.pdf" << pdf << Refusal::DataDir;
        QTest::newRow("missing folder") << "out/missing/a.csv" << csv << Refusal::NoFolder;
        QTest::newRow("missing folder in the program directory")
            << "prog/missing/a.csv" << csv << Refusal::NoFolder;
        QTest::newRow("a file as the folder") << "out/real.csv/a.csv" << csv << Refusal::NoFolder;
        QTest::newRow("empty") << "" << csv << Refusal::NoFolder;
        QTest::newRow("directory named .csv") << "out/dir.csv" << csv << Refusal::NotRegular;
        QTest::newRow("the data directory itself") << "data" << csv << Refusal::NotRegular;
        QTest::newRow("fifo") << "out/fifo.csv" << csv << Refusal::NotRegular;
        QTest::newRow("link to a day file") << "out/day.csv" << csv << Refusal::SymbolicLink;
        QTest::newRow("link to a csv") << "out/link.csv" << csv << Refusal::SymbolicLink;
        QTest::newRow("dangling link") << "out/dangling.csv" << csv << Refusal::SymbolicLink;
        QTest::newRow("text file") << "out/notes.txt" << csv << Refusal::OtherKind;
        QTest::newRow("csv as pdf") << "out/real.csv" << pdf << Refusal::OtherKind;
        QTest::newRow("pdf as csv") << "out/report.pdf" << csv << Refusal::OtherKind;
    }
    void refusals()
    {
        QFETCH(QString, path);
        QFETCH(Kind, kind);
        QFETCH(Refusal, refusal);
        const Station station;
        const QString absolute = path.isEmpty() ? QString() : station.at(path);
        const ExportTarget::Verdict verdict = station.target().check(absolute, kind);
        QCOMPARE(verdict.refusal, refusal);
        const QString text = verdict.operatorText(kind);
        if (refusal == Refusal::None) {
            QVERIFY(text.isEmpty());
            QCOMPARE(verdict.journalDetail(), absolute);
        } else {
            QVERIFY2(text.contains(absolute), qPrintable(text));
            QVERIFY(verdict.journalDetail().startsWith(QStringLiteral("refused ") + absolute));
        }
    }

    // Without a program or data directory known nothing is refused for them.
    void unknownDirectoriesRefuseNothing()
    {
        const Station station;
        QCOMPARE(ExportTarget().check(station.at("prog/operators"), Kind::Csv).refusal,
                 Refusal::OtherKind);
        QCOMPARE(ExportTarget().check(station.at("prog/x.csv"), Kind::Csv).refusal, Refusal::None);
    }

    // The save dialog starts in the operator's documents folder, made when
    // missing; a documents folder inside the program or data directory (a
    // home set there, a user-dirs entry pointing there) is passed over.
    void startFolder_data()
    {
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("documents"); // XDG_DOCUMENTS_DIR; empty: none set
        QTest::addColumn<QString>("expected");
        QTest::newRow("documents made") << "home"
                                        << ""
                                        << "home/Documents";
        QTest::newRow("user-dirs documents") << "home"
                                             << "home/Papers"
                                             << "home/Papers";
        QTest::newRow("documents in the data directory") << "home"
                                                         << "data/Reports"
                                                         << "home";
        QTest::newRow("home in the program directory") << "prog"
                                                       << ""
                                                       << "";
    }
    void startFolder()
    {
        QFETCH(QString, home);
        QFETCH(QString, documents);
        QFETCH(QString, expected);
        const Station station;
        const TemporaryHome scoped;
        QVERIFY(QDir().mkpath(station.at(home)));
        qputenv("HOME", QFile::encodeName(station.at(home)));
        if (!documents.isEmpty()) {
            QVERIFY(QDir().mkpath(scoped.path() + QStringLiteral("/.config")));
            writeBytes(scoped.path() + QStringLiteral("/.config/user-dirs.dirs"),
                       "XDG_DOCUMENTS_DIR=\"" + QFile::encodeName(station.at(documents)) + "\"\n");
        }
        const ExportTarget target = station.target();
        const QString folder = target.startFolder();
        QCOMPARE(folder, expected.isEmpty() ? QString() : station.at(expected));
        if (!folder.isEmpty())
            QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(target.offeredPath(QStringLiteral("Архив.csv")),
                 expected.isEmpty() ? QStringLiteral("Архив.csv")
                                    : station.at(expected) + QStringLiteral("/Архив.csv"));
    }
};

QTEST_GUILESS_MAIN(TestExportTarget)
#include "tst_exporttarget.moc"

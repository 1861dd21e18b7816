#include "core/DurableFile.h"
#include "core/OptionsFile.h"
#include "core/ZelvanIni.h"
#include "events/DayArchive.h"
#include "menu/MenuForm.h"
#include "menu/MenuTexts.h"
#include "menu/StateRestore.h"
#include "report/ReportCsv.h"
#include "report/ReportTexts.h"
#include "support/CsvText.h"
#include "support/EngineFixture.h"
#include "support/FakePrintSink.h"
#include "support/Fakes.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTabWidget>
#include <QtTest>

using namespace zelvan;
using namespace zelvan::test;

namespace {

const QDate kToday(2026, 12, 7);

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Pages of a PDF file written by Qt: its page objects, which are never compressed.
int pdfPageCount(const QString& path)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    return int(QString::fromLatin1(readAll(path)).count(page));
}

// The menu window over a whole engine, with the day files of today's month
// and a save dialog that answers at once with the path the test chose.
struct ReportMenu
{
    TemporaryHome operatorHome; // the save dialog starts in its Documents
    EngineFixture engine;
    RecordingOperatorActions operatorActions;
    ZelvanIni ini{engine.home.path()};
    OptionsFile optionsFile{ini, engine.screen};
    StateRestore restore{engine.state, engine.commands, &engine.screen};
    QPointer<MenuForm> form;
    QString chosenPath;   // what the "dialog" answers; empty: cancelled
    int chosenFilter = 0; // the file type chosen there
    QString offeredPath;  // what the tab offered
    QStringList offeredTypes;

    ReportMenu()
    {
        engine.clock.set(QDateTime(kToday, QTime(12, 0)));
        engine.state.fillMonthNames();
        ini.WriteDefaultConfig();
        auto printer = std::make_unique<FakePrintSink>();
        printer->m_fontNames = {QStringLiteral("DejaVu Sans")};
        auto session = std::make_unique<MenuSession>(engine.state, engine.screen, engine.files,
                                                     restore, optionsFile, engine.clock);
        // The fixture's home holds zelvan.ini: it is the program directory.
        session->setProgramDir(engine.home.path());
        session->setOperatorActions(&operatorActions);
        form = new MenuForm(std::move(session), std::move(printer));
        form->setSavePathChooser(
            [this](QWidget*, const QString& offered, const QStringList& types) {
                offeredPath = offered;
                offeredTypes = types;
                return SaveChoice{chosenPath, chosenFilter};
            });
        form->show();
    }
    ~ReportMenu() { delete form.data(); }

    template <typename W> W* find(const QString& name) const
    {
        W* w = form->findChild<W*>(name);
        if (w == nullptr)
            qWarning() << "no control" << name;
        return w;
    }
    void click(const QString& name) const
    {
        QPushButton* b = find<QPushButton>(name);
        QVERIFY2(b && b->isEnabled(), qPrintable(name));
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QString status() const
    {
        auto* label = find<QLabel>(QStringLiteral("StatusLabel"));
        return label->isVisible() ? label->text() : QString();
    }
    // A path in the operator's documents folder.
    QString path(const QString& name) const
    {
        QDir().mkpath(operatorHome.documents());
        return QDir(operatorHome.documents()).filePath(name);
    }

    // Day files 1..days of this month, each with `records` violations of the
    // objects 1..64 spread over the day.
    void writeDays(int days, int records)
    {
        for (int d = 1; d <= days; ++d) {
            const QDate day(kToday.year(), kToday.month(), d);
            QFile file(QDir(engine.state.DataDir).filePath(DayArchive::dayFileName(day)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            for (int i = 0; i < records; ++i)
                file.write(DayArchive::objectRecord(
                               1 + i % 64, u'A', QDateTime(day, QTime(0, 0).addSecs(i * 7 % 86400)))
                           + "\r\n");
        }
    }
    // The report of days 1..days, whole days, module 1 selected, run with "Ok".
    void runReport(int days)
    {
        MenuSession& s = form->session();
        while (s.period().FromDay() > 1 && s.period().spinDown(PeriodSpin::FromDay)) {
        }
        while (s.period().ToDay() > days && s.period().spinDown(PeriodSpin::ToDay)) {
        }
        while (s.period().ToDay() < days && s.period().spinUp(PeriodSpin::ToDay)) {
        }
        while (s.period().ToHour() < 24 && s.period().spinUp(PeriodSpin::ToHour)) {
        }
        s.request().setModuleSelected(0, true);
        find<QTabWidget>(QStringLiteral("SSTab1"))
            ->setCurrentIndex(tabIndex(MenuTab::ArchiveRequest));
        click(QStringLiteral("Command1"));
        QCOMPARE(find<QTabWidget>(QStringLiteral("SSTab1"))->currentIndex(),
                 tabIndex(MenuTab::ArchiveData));
    }
};

} // namespace

class TestReportFiles : public QObject
{
    Q_OBJECT
private slots:
    // Before a report there is nothing to preview or write.
    void filesOfAReportOnly()
    {
        ReportMenu menu;
        for (const char* name : {"Command2Preview", "Command2Pdf", "Command2Csv"})
            QVERIFY(!menu.find<QPushButton>(QLatin1String(name))->isEnabled());
        QVERIFY(menu.find<QPushButton>(QStringLiteral("Command2"))->isEnabled());
        menu.writeDays(1, 1);
        menu.runReport(1);
        for (const char* name : {"Command2Preview", "Command2Pdf", "Command2Csv"})
            QVERIFY(menu.find<QPushButton>(QLatin1String(name))->isEnabled());
    }

    // "CSV" offers the reports folder and a name of the report's period, and
    // writes the whole period there; the status line says where. The second
    // file type writes with commas.
    void csvFromTheTab_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QChar>("separator");
        QTest::newRow("semicolon") << 0 << QChar(u';');
        QTest::newRow("comma") << 1 << QChar(u',');
    }
    void csvFromTheTab()
    {
        QFETCH(int, filter);
        QFETCH(QChar, separator);
        ReportMenu menu;
        menu.writeDays(3, 2000);
        menu.runReport(3);
        menu.chosenPath = menu.path(QStringLiteral("month.csv"));
        menu.chosenFilter = filter;
        menu.click(QStringLiteral("Command2Csv"));
        QCOMPARE(menu.offeredPath,
                 QDir(menu.operatorHome.documents())
                     .filePath(QStringLiteral("Архив 2026-12-01 00.00 - 2026-12-03 24.00.csv")));
        QVERIFY(QFileInfo(QFileInfo(menu.offeredPath).absolutePath()).isDir());
        QCOMPARE(menu.offeredTypes, menu_texts::kCsvFiles);
        QTRY_COMPARE(menu.status(), ReportTexts::kExportSaved + menu.chosenPath);
        const QList<QStringList> rows = parseCsv(readAll(menu.chosenPath), separator);
        QCOMPARE(rows.size(), 1 + 3 * 2000);
        QCOMPARE(rows[1].size(), 7);
        // The tab's text stays capped.
        QVERIFY(menu.find<QPlainTextEdit>(QStringLiteral("Text1"))
                    ->toPlainText()
                    .contains(ReportTexts::kTooLarge));
        QVERIFY(menu.find<QPushButton>(QStringLiteral("Command2Csv"))->isEnabled());
    }

    // Cancelling the progress dialog stops the export: the status line says
    // so, and no file is left under the chosen name or beside it. A cancelled
    // save dialog writes nothing either and says so.
    void cancelledExportLeavesNoFile()
    {
        ReportMenu menu;
        menu.writeDays(20, 500);
        menu.runReport(20);
        menu.chosenPath = menu.path(QStringLiteral("cancelled.csv"));
        menu.click(QStringLiteral("Command2Csv"));
        auto* progress = menu.find<QProgressDialog>(QStringLiteral("CsvProgress"));
        auto* csv = menu.find<ReportCsvExport>(QStringLiteral("CsvExport"));
        QVERIFY(progress && csv);
        // The operator cancels once the first day file is written.
        bool tmpWhileRunning = false;
        QObject::connect(
            csv, &ReportCsvExport::progress, progress,
            [&, progress, tmp = DurableFile::temporaryPathOf(menu.chosenPath)](int done) {
                if (done != 1)
                    return;
                tmpWhileRunning = QFile::exists(tmp);
                // The dialog's own button, as the operator presses it.
                progress->findChild<QPushButton*>()->click();
            });
        QTRY_COMPARE(menu.status(), ReportTexts::kExportCancelled);
        QVERIFY(tmpWhileRunning);
        QVERIFY(!QFile::exists(menu.chosenPath));
        QVERIFY(!QFile::exists(DurableFile::temporaryPathOf(menu.chosenPath)));

        menu.chosenPath.clear();
        menu.form->findChild<QLabel*>(QStringLiteral("StatusLabel"))->clear();
        menu.click(QStringLiteral("Command2Csv"));
        QCOMPARE(menu.status(), ReportTexts::kExportCancelled);
        QCOMPARE(QDir(menu.operatorHome.documents()).entryList({QStringLiteral("*.csv*")}),
                 QStringList());
    }

    // A chosen path that cannot be written (a directory stands where its
    // temporary file goes) is told on the status line, for CSV and PDF alike.
    void unwritablePathTold_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("csv") << QStringLiteral("Command2Csv");
        QTest::newRow("pdf") << QStringLiteral("Command2Pdf");
    }
    void unwritablePathTold()
    {
        QFETCH(QString, button);
        ReportMenu menu;
        menu.writeDays(1, 10);
        menu.runReport(1);
        menu.chosenPath = menu.path(QStringLiteral("taken"));
        const QString tmp = DurableFile::temporaryPathOf(menu.chosenPath);
        QVERIFY(QDir().mkpath(tmp + QStringLiteral("/inside")));
        menu.click(button);
        QTRY_VERIFY2(menu.status().startsWith(ReportTexts::kExportFailed),
                     qPrintable(menu.status()));
        QVERIFY(!QFile::exists(menu.chosenPath));
        QVERIFY(QFileInfo(tmp).isDir());
    }

    // Every export button refuses a path in the program directory or the
    // data directory, or over a file that is not of its kind: the status line
    // names the path and why, the file keeps what it held, nothing is written
    // beside it, and the refusal is journaled.
    void exportsRefused_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("where"); // program, data or documents
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("journaled");
        const int report = tabIndex(MenuTab::ArchiveData);
        QTest::newRow("report csv over the operators file") << report << "Command2Csv"
                                                            << "program"
                                                            << "operators"
                                                            << "csv";
        QTest::newRow("report pdf over zelvan.ini") << report << "Command2Pdf"
                                                    << "program"
                                                    << "zelvan.ini"
                                                    << "pdf";
        QTest::newRow("journal csv over a day file") << tabIndex(MenuTab::Journal) << "JournalCsv"
                                                     << "data"
                                                     << "26-12-01.dat"
                                                     << "csv";
        QTest::newRow("journal pdf into the reports folder")
            << tabIndex(MenuTab::Journal) << "JournalPrintPdf"
            << "data"
            << "Reports/j.pdf"
            << "pdf";
        QTest::newRow("names pdf over a text file")
            << tabIndex(MenuTab::ObjectsList) << "Command5Pdf"
            << "documents"
            << "notes.txt"
            << "pdf";
        QTest::newRow("information pdf over a csv")
            << tabIndex(MenuTab::ObjectsInformation) << "Command6Pdf"
            << "documents"
            << "a.csv"
            << "pdf";
    }
    void exportsRefused()
    {
        QFETCH(int, tab);
        QFETCH(QString, button);
        QFETCH(QString, where);
        QFETCH(QString, file);
        QFETCH(QString, journaled);
        ReportMenu menu;
        menu.writeDays(1, 10);
        menu.runReport(1);
        const QString dir = where == u"program" ? menu.engine.home.path()
                            : where == u"data"  ? menu.engine.state.DataDir
                                                : menu.path(QString());
        menu.chosenPath = QDir(dir).filePath(file);
        QVERIFY(QDir().mkpath(QFileInfo(menu.chosenPath).absolutePath()));
        const QByteArray before = "what the file held\n";
        writeBytes(menu.chosenPath, before);
        menu.operatorActions.lines.clear();
        menu.find<QTabWidget>(QStringLiteral("SSTab1"))->setCurrentIndex(tab);
        menu.click(button);
        QVERIFY2(menu.status().contains(menu.chosenPath)
                     && menu.status().endsWith(QStringLiteral("Изберете друго място.")),
                 qPrintable(menu.status()));
        QCOMPARE(fileBytes(menu.chosenPath), before);
        QVERIFY(!QFile::exists(DurableFile::temporaryPathOf(menu.chosenPath)));
        QCOMPARE(menu.operatorActions.lines.size(), 1);
        QVERIFY2(menu.operatorActions.lines[0].startsWith(
                     journaled + QStringLiteral(" 0 0 refused ") + menu.chosenPath),
                 qPrintable(menu.operatorActions.lines[0]));
        // Nothing is left running: the button can be used again.
        QVERIFY(menu.find<QPushButton>(button)->isEnabled());
    }

    // Where operators log in, an export waits for the log-in: the save dialog
    // opens only after it, and nothing is written before.
    void exportsWaitForTheLogin_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("file");
        QTest::newRow("report csv") << tabIndex(MenuTab::ArchiveData) << "Command2Csv"
                                    << "r.csv";
        QTest::newRow("report pdf") << tabIndex(MenuTab::ArchiveData) << "Command2Pdf"
                                    << "r.pdf";
        QTest::newRow("journal csv") << tabIndex(MenuTab::Journal) << "JournalCsv"
                                     << "j.csv";
        QTest::newRow("names pdf") << tabIndex(MenuTab::ObjectsList) << "Command5Pdf"
                                   << "n.pdf";
    }
    void exportsWaitForTheLogin()
    {
        QFETCH(int, tab);
        QFETCH(QString, button);
        QFETCH(QString, file);
        ReportMenu menu;
        menu.writeDays(1, 10);
        menu.runReport(1);
        menu.form->session().names().setNameText(QStringLiteral("Банка"));
        QVERIFY(menu.form->session().saveName());
        menu.chosenPath = menu.path(file);
        menu.operatorActions.holding = true;
        menu.find<QTabWidget>(QStringLiteral("SSTab1"))->setCurrentIndex(tab);
        menu.click(button);
        QVERIFY(menu.offeredPath.isEmpty());
        QVERIFY(!QFile::exists(menu.chosenPath));
        menu.operatorActions.release();
        QVERIFY(!menu.offeredPath.isEmpty());
        QTRY_COMPARE(menu.status(), ReportTexts::kExportSaved + menu.chosenPath);
        QVERIFY(QFile::exists(menu.chosenPath));
    }

    // Printing from inside the preview dialog is journaled as a print from
    // the preview; the dialog's own export into a file is judged as "PDF" is.
    void printFromThePreviewIsJournaled_data()
    {
        QTest::addColumn<bool>("inProgramDir");
        QTest::newRow("into the documents folder") << false;
        QTest::newRow("into the program directory") << true;
    }
    void printFromThePreviewIsJournaled()
    {
        QFETCH(bool, inProgramDir);
        ReportMenu menu;
        menu.writeDays(1, 10);
        menu.runReport(1);
        menu.operatorActions.lines.clear();
        menu.click(QStringLiteral("Command2Preview"));
        auto* dialog = menu.form->findChild<QPrintPreviewDialog*>(QStringLiteral("PrintPreview"));
        QVERIFY(dialog);
        auto* view = dialog->findChild<QPrintPreviewWidget*>();
        QTRY_VERIFY(view->pageCount() > 0);
        // Drawing the preview's pages is not printing.
        QCOMPARE(menu.operatorActions.lines, QStringList());
        const QString file = inProgramDir ? menu.engine.home.filePath(QStringLiteral("p.pdf"))
                                          : menu.path(QStringLiteral("p.pdf"));
        dialog->printer()->setOutputFileName(file);
        view->print();
        if (inProgramDir) {
            QCOMPARE(menu.operatorActions.lines.size(), 1);
            QVERIFY(menu.operatorActions.lines[0].startsWith(QStringLiteral("pdf 0 0 refused ")
                                                             + file));
            QVERIFY(menu.status().contains(file));
            QVERIFY(!QFile::exists(file));
        } else {
            QCOMPARE(
                menu.operatorActions.lines,
                QStringList{QStringLiteral("print 0 0 Command2, from the preview, to ") + file});
            QCOMPARE(pdfPageCount(file), view->pageCount());
        }
        dialog->close();
    }

    // "PDF" writes what "Печат" prints; the Cyrillic text is embedded and
    // searchable: pdftotext reads it back.
    void pdfTextReadsBack()
    {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        QVERIFY2(!pdftotext.isEmpty(), "pdftotext (poppler-utils) is needed");
        ReportMenu menu;
        QVERIFY(menu.engine.files.setName(5, QStringLiteral("Аптека Център")));
        menu.form->session().names().load();
        menu.form->session().request().setEntries(menu.form->session().names().entries());
        menu.writeDays(1, 5);
        menu.runReport(1);
        menu.chosenPath = menu.path(QStringLiteral("report.pdf"));
        menu.click(QStringLiteral("Command2Pdf"));
        QCOMPARE(menu.offeredPath,
                 QDir(menu.operatorHome.documents())
                     .filePath(QStringLiteral("Архив 2026-12-01 00.00 - 2026-12-01 24.00.pdf")));
        QCOMPARE(menu.status(), ReportTexts::kExportSaved + menu.chosenPath);
        QProcess run;
        run.start(pdftotext, {QStringLiteral("-layout"), menu.chosenPath, QStringLiteral("-")});
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitCode(), 0);
        const QString text = QString::fromUtf8(run.readAllStandardOutput());
        QVERIFY2(text.contains(QRegularExpression(QStringLiteral(
                     "Aрхив\\s+за\\s+нарушения\\s+за\\s+1\\s+Декември\\s+2026\\s+год\\."))),
                 qPrintable(text));
        QVERIFY2(text.contains(QRegularExpression(QStringLiteral("1-005\\s+Нарушен\\s+Аптека Ц"))),
                 qPrintable(text));
    }

    // "Преглед" opens Qt's print preview of what "Печат" prints: the same
    // pages as the PDF of the same text.
    void previewHoldsThePrintedPages()
    {
        ReportMenu menu;
        menu.writeDays(1, 300);
        menu.runReport(1);
        menu.chosenPath = menu.path(QStringLiteral("pages.pdf"));
        menu.click(QStringLiteral("Command2Pdf"));
        const int pages = pdfPageCount(menu.chosenPath);
        QVERIFY(pages > 1);

        menu.click(QStringLiteral("Command2Preview"));
        auto* dialog = menu.form->findChild<QPrintPreviewDialog*>(QStringLiteral("PrintPreview"));
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->isVisible());
        auto* view = dialog->findChild<QPrintPreviewWidget*>();
        QVERIFY(view);
        QTRY_COMPARE(view->pageCount(), pages);
        dialog->close();
    }

    // The names list and the object information have their preview too.
    void previewOfEveryPrintButton_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("button");
        QTest::newRow("names list")
            << tabIndex(MenuTab::ObjectsList) << QStringLiteral("Command5Preview");
        QTest::newRow("object information")
            << tabIndex(MenuTab::ObjectsInformation) << QStringLiteral("Command6Preview");
    }
    void previewOfEveryPrintButton()
    {
        QFETCH(int, tab);
        QFETCH(QString, button);
        ReportMenu menu;
        menu.form->session().names().setNameText(QStringLiteral("Банка"));
        QVERIFY(menu.form->session().saveName());
        menu.find<QTabWidget>(QStringLiteral("SSTab1"))->setCurrentIndex(tab);
        menu.click(button);
        auto* dialog = menu.form->findChild<QPrintPreviewDialog*>(QStringLiteral("PrintPreview"));
        QVERIFY(dialog);
        auto* view = dialog->findChild<QPrintPreviewWidget*>();
        QTRY_COMPARE(view->pageCount(), 1);
        dialog->close();
    }

    // With ZELVAN_SCREENSHOT_DIR set, the report tab with its buttons and the
    // preview of its report are drawn into PNG files there.
    void screenshots()
    {
        const QString dir = qEnvironmentVariable("ZELVAN_SCREENSHOT_DIR");
        if (dir.isEmpty())
            QSKIP("ZELVAN_SCREENSHOT_DIR not set");
        ReportMenu menu;
        QVERIFY(menu.engine.files.setName(1, QStringLiteral("Банка ДСК, клон Център")));
        QVERIFY(menu.engine.files.setName(2, QStringLiteral("Аптека Здраве")));
        menu.form->session().names().load();
        menu.form->session().request().setEntries(menu.form->session().names().entries());
        menu.writeDays(2, 40);
        menu.runReport(2);
        QDir().mkpath(dir);
        QCoreApplication::processEvents();
        QVERIFY(menu.form->grab().save(QDir(dir).filePath(QStringLiteral("report-tab.png"))));
        menu.click(QStringLiteral("Command2Preview"));
        auto* dialog = menu.form->findChild<QPrintPreviewDialog*>(QStringLiteral("PrintPreview"));
        QVERIFY(dialog);
        dialog->resize(900, 700);
        auto* view = dialog->findChild<QPrintPreviewWidget*>();
        QTRY_VERIFY(view->pageCount() > 0);
        view->fitInView();
        QCoreApplication::processEvents();
        QVERIFY(dialog->grab().save(QDir(dir).filePath(QStringLiteral("report-preview.png"))));
        dialog->close();
    }
};

QTEST_MAIN(TestReportFiles)
#include "tst_report_files.moc"

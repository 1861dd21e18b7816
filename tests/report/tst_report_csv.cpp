#include "core/DurableFile.h"
#include "core/Labels.h"
#include "core/ObjectFiles.h"
#include "events/DayArchive.h"
#include "report/ArchiveReport.h"
#include "report/ReportCsv.h"
#include "report/ReportPeriod.h"
#include "report/ReportRequest.h"
#include "report/ReportTexts.h"
#include "support/CsvText.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

using namespace zelvan;
using namespace zelvan::test;

namespace {

const QString CRLF = QStringLiteral("\r\n");
// Columns of a row.
enum Column
{
    Date,
    Time,
    Label,
    Name,
    Module,
    Kind,
    Caption,
    ColumnCount
};

QByteArray rec(int k, char letter, const QDate& day, const QTime& t)
{
    return DayArchive::objectRecord(k, QChar::fromLatin1(letter), QDateTime(day, t));
}
QByteArray moduleRec(int m, char letter, const QDate& day, const QTime& t)
{
    return DayArchive::moduleRecord(m, QChar::fromLatin1(letter), QDateTime(day, t));
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A period of May 2003 set through the spin buttons, as the operator sets it.
ReportPeriod mayPeriod(int fromDay, int fromHour, int toDay, int toHour)
{
    ReportPeriod p(QDate(2003, 5, 1));
    while (p.ToDay() < toDay && p.spinUp(PeriodSpin::ToDay)) {
    }
    while (p.FromDay() < fromDay && p.spinUp(PeriodSpin::FromDay)) {
    }
    while (p.FromHour() < fromHour && p.spinUp(PeriodSpin::FromHour)) {
    }
    while (p.ToHour() < toHour && p.spinUp(PeriodSpin::ToHour)) {
    }
    while (p.ToHour() > toHour && p.spinDown(PeriodSpin::ToHour)) {
    }
    return p;
}

} // namespace

class TestReportCsv : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    StationState m_state;
    std::unique_ptr<ObjectFiles> m_files;
    ReportRequest m_request;

    QString dayPath(const QDate& day) const
    {
        return QDir(m_dir.path()).filePath(DayArchive::dayFileName(day));
    }
    void writeDay(const QDate& day, const QList<QByteArray>& lines)
    {
        QFile file(dayPath(day));
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (const QByteArray& line : lines)
            file.write(line + "\r\n");
    }
    QString outPath(const QString& name = QStringLiteral("out.csv")) const
    {
        return QDir(m_dir.path()).filePath(name);
    }
    // The export of a period run to its end; the rows read back.
    QList<QStringList> exportRows(const ReportPeriod& period, QChar sep = u';')
    {
        ReportCsvExport csv(m_state, *m_files, ReportScope::of(period), m_request, outPath(), sep);
        if (!csv.runToEnd())
            return {};
        return parseCsv(readAll(outPath()), sep);
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        for (const QString& f : QDir(m_dir.path()).entryList(QDir::Files))
            QFile::remove(QDir(m_dir.path()).filePath(f));
        m_state = StationState();
        m_state.fillMonthNames();
        m_files = std::make_unique<ObjectFiles>(m_dir.path());
        QVERIFY(m_files->createMissing());
        m_request = ReportRequest();
        m_request.setEntries(ReportRequest::buildEntries(m_state, [](int k) {
            return k == 5 ? QStringLiteral("Аптека \"Център\"; вход 2")
                          : QStringLiteral("Обект %1").arg(k);
        }));
    }

    // Fields are quoted only when they must be: holding the separator, a
    // quote, CR or LF; a quote inside is doubled.
    void rowQuoting_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QByteArray>("row");
        QTest::newRow("plain") << QStringList{"12:00:00", "Поет"} << QChar(u';')
                               << QByteArray("12:00:00;Поет\r\n");
        QTest::newRow("separator")
            << QStringList{"a;b", "c"} << QChar(u';') << QByteArray("\"a;b\";c\r\n");
        QTest::newRow("comma kept under ;")
            << QStringList{"a,b"} << QChar(u';') << QByteArray("a,b\r\n");
        QTest::newRow("comma under ,")
            << QStringList{"a,b", ""} << QChar(u',') << QByteArray("\"a,b\",\r\n");
        QTest::newRow("quote") << QStringList{"Аптека \"Център\""} << QChar(u';')
                               << QString("\"Аптека \"\"Център\"\"\"\r\n").toUtf8();
        QTest::newRow("line end") << QStringList{"ред\r\nдруг", "x\ny"} << QChar(u';')
                                  << QString("\"ред\r\nдруг\";\"x\ny\"\r\n").toUtf8();
        QTest::newRow("empty fields")
            << QStringList{"", "", ""} << QChar(u';') << QByteArray(";;\r\n");
    }
    void rowQuoting()
    {
        QFETCH(QStringList, fields);
        QFETCH(QChar, separator);
        QFETCH(QByteArray, row);
        QCOMPARE(csvRow(fields, separator), row);
        QCOMPARE(parseCsv(row, separator), QList<QStringList>{fields});
    }

    // The spreadsheet holds the records of the on-screen report of the same
    // request, in the same order, over several day files (one of them
    // missing), every kind of record, records outside the hours window on the
    // first and the last day, unselected objects and an unknown letter, and
    // the not-taken objects as rows of their own.
    void sameRecordsAsTheReport()
    {
        const QDate d5(2003, 5, 5), d6(2003, 5, 6), d7(2003, 5, 7), d8(2003, 5, 8);
        writeDay(d5, {rec(5, 'A', d5, QTime(5, 59, 59)), // before the window
                      rec(5, 'A', d5, QTime(6, 0, 0)), rec(5, 'R', d5, QTime(6, 1)),
                      moduleRec(1, 'S', d5, QTime(6, 2)), rec(3, 'P', d5, QTime(6, 3)),
                      rec(3, 'O', d5, QTime(6, 4)), rec(20, 'P', d5, QTime(6, 5)), // unselected
                      rec(130, 'B', d5, QTime(7, 0)), rec(5, 'Z', d5, QTime(7, 1)),
                      "01", // too short: not a record
                      moduleRec(2, 'V', d5, QTime(23, 59, 59))});
        writeDay(d7, {rec(130, 'N', d7, QTime(0, 0)), rec(130, '1', d7, QTime(1, 0)),
                      rec(130, '2', d7, QTime(1, 1)), rec(130, '3', d7, QTime(1, 2)),
                      rec(130, '4', d7, QTime(1, 3)), rec(130, '5', d7, QTime(1, 4)),
                      rec(130, 'F', d7, QTime(1, 5)), rec(7, 'A', d7, QTime(12, 0))});
        writeDay(d8, {rec(8, 'P', d8, QTime(17, 59)), rec(9, 'P', d8, QTime(18, 0)),
                      rec(5, 'P', d8, QTime(18, 0, 30)), // after the window: 5 stays not taken
                      moduleRec(3, 'S', d8, QTime(19, 0))});
        Q_UNUSED(d6);
        for (int k : {3, 5, 7, 8, 9, 10, 130})
            m_request.setSelected(k - 1, true);
        m_request.Check8 = m_request.Check9 = m_request.Check13 = m_request.Check10 = true;
        ReportPeriod period = mayPeriod(5, 6, 8, 18);
        const ArchiveReportResult report =
            ArchiveReport(m_state, *m_files).build(period, m_request);
        QVERIFY(!report.limitReached);
        const QList<QStringList> rows = exportRows(period);
        QVERIFY(!rows.isEmpty());
        QCOMPARE(rows.first(), ReportTexts::kCsvHeader);
        for (const QStringList& row : rows)
            QCOMPARE(row.size(), int(ColumnCount));

        // The report's record lines with the day of their heading.
        static const QRegularExpression heading(QStringLiteral("за (\\d+) Май 2003 год\\.$"));
        static const QRegularExpression timed(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d"));
        QList<QPair<int, QString>> reportLines;
        QStringList notTakenLines;
        int day = 0;
        bool inNotTaken = false;
        for (const QString& line : report.text.split(CRLF)) {
            if (const auto m = heading.match(line); m.hasMatch())
                day = m.captured(1).toInt();
            else if (line == ReportTexts::kNotTakenHeading)
                inNotTaken = true;
            else if (timed.match(line).hasMatch())
                reportLines.append({day, line});
            else if (inNotTaken && !line.isEmpty())
                notTakenLines << line;
        }
        QList<QStringList> recordRows;
        QList<QStringList> notTakenRows;
        QStringList missingDays;
        for (const QStringList& row : rows.mid(1)) {
            if (row[Kind] == ReportTexts::kNotTaken.trimmed())
                notTakenRows << row;
            else if (row[Kind] == ReportTexts::kCsvNoArchive)
                missingDays << row[Date];
            else
                recordRows << row;
        }
        QCOMPARE(missingDays, QStringList{QStringLiteral("2003-05-06")});
        QCOMPARE(recordRows.size(), reportLines.size());
        QCOMPARE(recordRows.size(), 17);
        for (qsizetype i = 0; i < recordRows.size(); ++i) {
            const QStringList& row = recordRows[i];
            const QString& line = reportLines[i].second;
            QCOMPARE(QDate::fromString(row[Date], Qt::ISODate).day(), reportLines[i].first);
            QVERIFY2(line.startsWith(row[Time]), qPrintable(line));
            QVERIFY2(line.contains(row[Label]), qPrintable(line));
            if (row[Kind].startsWith(ReportTexts::kCsvSignal))
                QVERIFY2(line.endsWith(ReportTexts::kSignal + row[Caption]), qPrintable(line));
            else
                QVERIFY2(line.contains(row[Kind]), qPrintable(line));
        }
        QCOMPARE(notTakenRows.size(), notTakenLines.size());
        for (qsizetype i = 0; i < notTakenRows.size(); ++i)
            QVERIFY2(notTakenLines[i].contains(notTakenRows[i][Label]),
                     qPrintable(notTakenLines[i]));
        QStringList notTakenLabels;
        for (const QStringList& row : notTakenRows)
            notTakenLabels << row[Label];
        QCOMPARE(notTakenLabels, (QStringList{"1-005", "1-007", "1-010", "2-002"}));

        // What the columns hold beyond the report's line.
        const QStringList violation = recordRows[0];
        QCOMPARE(violation, (QStringList{"2003-05-05", "06:00:00", "1-005",
                                         "Аптека \"Център\"; вход 2", "1", "Нарушен", ""}));
        const QStringList started = recordRows[2];
        QCOMPARE(started, (QStringList{"2003-05-05", "06:02:00", "", "", "1",
                                       "Стартирана система Zelvan 064", ""}));
        const QStringList signal2 = recordRows[9];
        QCOMPARE(signal2, (QStringList{"2003-05-07", "01:01:00", "2-002", "Обект 130", "2",
                                       "Сигнал 2", "Батерия"}));
    }

    // A day file that cannot be opened, or whose reading breaks off, is a row
    // of its own with the system's reason, between the days around it.
    void unreadableDayIsARow_data()
    {
        QTest::addColumn<bool>("breaksOff");
        QTest::addColumn<QString>("kind");
        QTest::newRow("cannot be opened") << false << ReportTexts::kCsvUnreadable;
        QTest::newRow("read breaks off") << true << ReportTexts::kCsvBroken;
    }
    void unreadableDayIsARow()
    {
        QFETCH(bool, breaksOff);
        QFETCH(QString, kind);
        const QDate d5(2003, 5, 5), d6(2003, 5, 6), d7(2003, 5, 7);
        writeDay(d5, {rec(5, 'A', d5, QTime(6, 0))});
        writeDay(d7, {rec(5, 'A', d7, QTime(7, 0))});
        QVERIFY(breaksOff ? test::makeReadBreakOff(dayPath(d6))
                          : test::makeUnopenable(dayPath(d6)));
        m_request.setSelected(4, true);
        m_request.Check9 = true;
        const QList<QStringList> rows = exportRows(mayPeriod(5, 0, 7, 23));
        QFile::remove(dayPath(d6));
        QDir().rmdir(dayPath(d6));
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[1][Date], QStringLiteral("2003-05-05"));
        QCOMPARE(rows[2][Date], QStringLiteral("2003-05-06"));
        QVERIFY2(rows[2][Kind].startsWith(kind + QStringLiteral(" (")), qPrintable(rows[2][Kind]));
        QCOMPARE(rows[3][Date], QStringLiteral("2003-05-07"));
    }

    // The report stops at its limit; the spreadsheet of the same request holds
    // every record of the period.
    void periodPastTheReportLimitExportedWhole()
    {
        QList<QByteArray> lines;
        for (int i = 0; i < 3000; ++i)
            lines << rec(1 + i % 64, 'A', QDate(2003, 5, 1), QTime(0, 0).addSecs(i * 10));
        writeDay(QDate(2003, 5, 1), lines);
        writeDay(QDate(2003, 5, 2), lines);
        m_request.setModuleSelected(0, true);
        ReportPeriod period = mayPeriod(1, 0, 2, 24);
        const ArchiveReportResult report =
            ArchiveReport(m_state, *m_files).build(period, m_request);
        QVERIFY(report.limitReached);
        const QList<QStringList> rows = exportRows(period);
        QCOMPARE(rows.size(), 1 + 6000);
        QCOMPARE(rows.last()[Date], QStringLiteral("2003-05-02"));
        QCOMPARE(rows.last()[Time], QStringLiteral("08:19:50"));
        QVERIFY(readAll(outPath()).size() > ArchiveReport::kLimit * 2);
    }

    // UTF-8 with its byte-order mark, the header, CR LF; the comma separator
    // quotes the fields that hold a comma.
    void fileFormat()
    {
        writeDay(QDate(2003, 5, 1), {rec(5, 'A', QDate(2003, 5, 1), QTime(1, 2, 3))});
        m_request.setSelected(4, true);
        m_request.setEntries(ReportRequest::buildEntries(
            m_state, [](int) { return QStringLiteral("Банка, клон"); }));
        ReportPeriod period = mayPeriod(1, 0, 1, 24);
        ReportCsvExport csv(m_state, *m_files, ReportScope::of(period), m_request, outPath(),
                            ReportCsvExport::kComma);
        QVERIFY(csv.runToEnd());
        const QByteArray bytes = readAll(outPath());
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(QString::fromUtf8(bytes.mid(3)),
                 QStringLiteral("Дата,Час,Обект,Име,Модул,Събитие,Сигнал\r\n"
                                "2003-05-01,01:02:03,1-005,\"Банка, клон\",1,Нарушен,\r\n"));
        QCOMPARE(csv.rowsWritten(), 1);
    }

    // A cancelled export leaves neither the chosen file nor its temporary
    // one; an earlier file of that name keeps its content.
    void cancelLeavesNoFile()
    {
        for (int d = 1; d <= 3; ++d)
            writeDay(QDate(2003, 5, d), {rec(5, 'A', QDate(2003, 5, d), QTime(1, 0))});
        m_request.setSelected(4, true);
        ReportPeriod period = mayPeriod(1, 0, 3, 24);
        ReportCsvExport csv(m_state, *m_files, ReportScope::of(period), m_request, outPath());
        QSignalSpy finished(&csv, &ReportCsvExport::finished);
        QVERIFY(csv.step());
        QVERIFY(QFile::exists(DurableFile::temporaryPathOf(outPath())));
        csv.cancel();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toBool(), false);
        QCOMPARE(finished[0][1].toString(), ReportTexts::kExportCancelled);
        QVERIFY(!csv.step());
        QVERIFY(!QFile::exists(outPath()));
        QVERIFY(!QFile::exists(DurableFile::temporaryPathOf(outPath())));
    }

    // The export runs in slices on the event loop, one day file a slice, and
    // tells its progress after each (once more when it closes the file).
    void slicesOnTheEventLoop()
    {
        for (int d = 1; d <= 4; ++d)
            writeDay(QDate(2003, 5, d), {rec(5, 'A', QDate(2003, 5, d), QTime(1, 0))});
        m_request.setSelected(4, true);
        ReportPeriod period = mayPeriod(1, 0, 4, 24);
        ReportCsvExport csv(m_state, *m_files, ReportScope::of(period), m_request, outPath());
        QSignalSpy progress(&csv, &ReportCsvExport::progress);
        QSignalSpy finished(&csv, &ReportCsvExport::finished);
        csv.start();
        QVERIFY(progress.isEmpty()); // nothing before the event loop runs
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toBool(), true);
        QCOMPARE(finished[0][1].toString(), ReportTexts::kExportSaved + outPath());
        QList<int> daysDone;
        for (const QVariantList& p : progress) {
            QCOMPARE(p[1].toInt(), 4);
            if (daysDone.isEmpty() || daysDone.last() != p[0].toInt())
                daysDone << p[0].toInt();
        }
        QCOMPARE(daysDone, (QList<int>{1, 2, 3, 4}));
        QCOMPARE(parseCsv(readAll(outPath())).size(), 1 + 4);
    }

    // A file that cannot be written is told, and nothing half-written is left
    // under the chosen name: a directory in the file's place, a sync that
    // fails (a full disk reports itself there at the latest).
    void failureLeavesTheChosenFileAsItWas_data()
    {
        QTest::addColumn<bool>("directoryInPlace");
        QTest::newRow("directory in the file's place") << true;
        QTest::newRow("sync fails") << false;
    }
    void failureLeavesTheChosenFileAsItWas()
    {
        QFETCH(bool, directoryInPlace);
        const QString path =
            outPath(directoryInPlace ? QStringLiteral("dir.csv") : QStringLiteral("old.csv"));
        writeDay(QDate(2003, 5, 1), {rec(5, 'A', QDate(2003, 5, 1), QTime(1, 0))});
        m_request.setSelected(4, true);
        if (directoryInPlace) {
            QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
        } else {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old content");
        }
        FileSync sync = FileSync::system();
        if (!directoryInPlace)
            sync.data = [](int) {
                errno = ENOSPC;
                return -1;
            };
        ReportPeriod period = mayPeriod(1, 0, 1, 24);
        ReportCsvExport csv(m_state, *m_files, ReportScope::of(period), m_request, path,
                            ReportCsvExport::kSemicolon, sync);
        QSignalSpy finished(&csv, &ReportCsvExport::finished);
        QVERIFY(!csv.runToEnd());
        QCOMPARE(finished.size(), 1);
        const QString message = finished[0][1].toString();
        QVERIFY2(message.startsWith(ReportTexts::kExportFailed), qPrintable(message));
        QVERIFY2(message.contains(path), qPrintable(message));
        QVERIFY(!QFile::exists(DurableFile::temporaryPathOf(path)));
        if (directoryInPlace)
            QVERIFY(QFileInfo(path).isDir());
        else
            QCOMPARE(readAll(path), QByteArray("old content"));
    }
};

QTEST_GUILESS_MAIN(TestReportCsv)
#include "tst_report_csv.moc"

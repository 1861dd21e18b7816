#include "core/ObjectFiles.h"
#include "events/DayArchive.h"
#include "report/ArchiveReport.h"
#include "report/ReportPeriod.h"
#include "report/ReportRequest.h"
#include "report/ReportTexts.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace zelvan;

namespace {

const QString CRLF = QStringLiteral("\r\n");
const QDate kDay(2003, 5, 7);

// The record of a violation of object 5 at `seconds` after midnight, written
// out by the file's layout (kkkk, the letter's code, millionths of the day
// rounded half up) rather than by the archive's writer: the report is tested
// on bytes of its own.
QByteArray violationOf5At(int seconds)
{
    const qint64 millionths = (qint64(seconds) * 1000000 + 43200) / 86400;
    return "000565" + QByteArray::number(millionths).rightJustified(6, '0');
}

// Lines of a report text.
QStringList linesOf(const QString& text) { return text.split(CRLF); }

// True while some descriptor of this process refers to the file.
bool fileIsOpen(const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System)) {
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == target)
            return true;
    }
    return false;
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    StationState m_state;
    std::unique_ptr<ObjectFiles> m_files;
    ReportRequest m_request;

    void writeDay(const QDate& day, const QList<QByteArray>& lines)
    {
        QFile file(QDir(m_dir.path()).filePath(DayArchive::dayFileName(day)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (const QByteArray& line : lines)
            file.write(line + "\r\n");
    }
    void setEntries()
    {
        m_request.setEntries(ReportRequest::buildEntries(m_state, [](int k) {
            return k == 5 ? QStringLiteral("Аптека Център") : QStringLiteral("Обект %1").arg(k);
        }));
    }
    ArchiveReportResult build(ReportPeriod& period) const
    {
        return ArchiveReport(m_state, *m_files).build(period, m_request);
    }
    ArchiveReportResult buildDay(int fromHour = 0, int toHour = 24) const
    {
        ReportPeriod period(kDay);
        while (period.FromHour() < fromHour && period.spinUp(PeriodSpin::FromHour)) {
        }
        while (period.ToHour() < toHour && period.spinUp(PeriodSpin::ToHour)) {
        }
        while (period.ToHour() > toHour && period.spinDown(PeriodSpin::ToHour)) {
        }
        return build(period);
    }
    // The record lines of a one-day report: what lies between its heading and
    // the empty line that closes the day.
    QStringList bodyOf(const ArchiveReportResult& r) const
    {
        QStringList lines = linesOf(r.text);
        const qsizetype end = lines.indexOf(QString());
        return lines.mid(1, end - 1);
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
        setEntries();
    }

    void headingKindPhrase_data()
    {
        QTest::addColumn<bool>("taken");
        QTest::addColumn<bool>("violations");
        QTest::addColumn<QString>("heading");
        QTest::newRow("violations")
            << false << true << "          Aрхив за нарушения за 7 Май 2003 год.";
        QTest::newRow("taken") << true << false
                               << "          Aрхив за поети обекти за 7 Май 2003 год.";
        QTest::newRow("both") << true << true
                              << "          Aрхив за поети обекти и нарушения за 7 Май 2003 год.";
        QTest::newRow("neither") << false << false << "          Aрхив за 7 Май 2003 год.";
    }
    void headingKindPhrase()
    {
        QFETCH(bool, taken);
        QFETCH(bool, violations);
        QFETCH(QString, heading);
        writeDay(kDay, {});
        m_request.Check8 = taken;
        m_request.Check9 = violations;
        const ArchiveReportResult r = buildDay();
        QCOMPARE(r.text, heading + CRLF + CRLF);
        // The heading's first letter is the Latin capital A.
        QCOMPARE(r.text.at(10), QChar(0x41));
    }

    void missingDays()
    {
        writeDay(kDay.addDays(1), {QByteArray("000565041667")});
        m_request.setSelected(4, true);
        ReportPeriod period(kDay);
        period.spinUp(PeriodSpin::ToDay);
        period.spinUp(PeriodSpin::ToDay);
        const ArchiveReportResult r = build(period);
        QCOMPARE(r.text, QStringLiteral("          Няма архив за 7 Май 2003 год.\r\n\r\n"
                                        "          Aрхив за нарушения за 8 Май 2003 год.\r\n"
                                        "01:00:00   1-005  Нарушен  Аптека Ц\r\n\r\n"
                                        "          Няма архив за 9 Май 2003 год.\r\n\r\n"));
    }

    // A day file that is there but cannot be opened (a directory in its place,
    // which root cannot read either), or whose reading breaks off, is named
    // under its heading with the system's reason, never reported as a day
    // without events; the days around it are read.
    void unreadableDayIsSaid_data()
    {
        QTest::addColumn<bool>("breaksOff");
        QTest::addColumn<QString>("lead");
        QTest::newRow("cannot be opened")
            << false << QStringLiteral("          Архивът за този ден не може да бъде прочетен (");
        QTest::newRow("read breaks off")
            << true << QStringLiteral("          Четенето на архива за този ден прекъсна (");
    }
    void unreadableDayIsSaid()
    {
        QFETCH(bool, breaksOff);
        QFETCH(QString, lead);
        writeDay(kDay, {violationOf5At(3600)});
        writeDay(kDay.addDays(2), {violationOf5At(7200)});
        const QString blocked =
            QDir(m_dir.path()).filePath(DayArchive::dayFileName(kDay.addDays(1)));
        QVERIFY(breaksOff ? test::makeReadBreakOff(blocked) : test::makeUnopenable(blocked));
        m_request.setSelected(4, true);
        ReportPeriod period(kDay);
        period.spinUp(PeriodSpin::ToDay);
        period.spinUp(PeriodSpin::ToDay);
        const ArchiveReportResult r = build(period);
        QFile::remove(blocked);
        QDir().rmdir(blocked);
        const QStringList lines = linesOf(r.text);
        QCOMPARE(lines.size(), 10);
        QCOMPARE(lines.at(1), QStringLiteral("01:00:00   1-005  Нарушен  Аптека Ц"));
        QCOMPARE(lines.at(3), QStringLiteral("          Aрхив за нарушения за 8 Май 2003 год."));
        QVERIFY2(lines.at(4).startsWith(lead) && lines.at(4).endsWith(QLatin1Char(')')),
                 qPrintable(lines.at(4)));
        QCOMPARE(lines.at(5), QString());
        QCOMPARE(lines.at(7), QStringLiteral("02:00:00   1-005  Нарушен  Аптека Ц"));
        QVERIFY(!r.text.contains(QStringLiteral("Няма архив")));
    }

    void recordRules_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("boxes"); // kind boxes checked: 8, 9, 13
        QTest::addColumn<QString>("line");  // empty: no line
        // Every record is at 12:34:56 (524259 millionths of the day).
        const QString p = QStringLiteral("12:34:56   1-005");
        QTest::newRow("S") << QByteArray("0000835242593") << ""
                           << "12:34:56         Стартирана система Zelvan 064  Модул  3";
        QTest::newRow("V") << QByteArray("0000865242598") << ""
                           << "12:34:56         Прекъсната връзка с  Модул  8";
        QTest::newRow("P with 8") << QByteArray("000580524259") << "8" << p + "  Поет  Аптека Ц";
        QTest::newRow("P without 8") << QByteArray("000580524259") << "9 13"
                                     << "";
        QTest::newRow("O with 8") << QByteArray("000579524259") << "8"
                                  << p + "  Освободен  Аптека Ц";
        QTest::newRow("A with 9") << QByteArray("000565524259") << "9" << p + "  Нарушен  Аптека Ц";
        QTest::newRow("A without 9") << QByteArray("000565524259") << "8 13"
                                     << "";
        QTest::newRow("R with 9") << QByteArray("000582524259") << "9"
                                  << p + "  Оператор  Аптека Ц";
        QTest::newRow("B with 13")
            << QByteArray("000566524259") << "13" << p + "  Балансиран  Аптека Ц";
        QTest::newRow("B without 13") << QByteArray("000566524259") << "8 9"
                                      << "";
        QTest::newRow("N with 8") << QByteArray("000578524259") << "8" << p + "  --  Включен  ";
        QTest::newRow("F with 8") << QByteArray("000570524259") << "8" << p + "  --  Изключен  ";
        QTest::newRow("F without 8") << QByteArray("000570524259") << "9 13"
                                     << "";
        QTest::newRow("signal 1") << QByteArray("000549524259") << "8" << p + "  --  220 V";
        QTest::newRow("signal 2") << QByteArray("000550524259") << "8" << p + "  --  Батерия";
        QTest::newRow("signal 5") << QByteArray("000553524259") << "8" << p + "  --  Зона 3";
        QTest::newRow("signal without 8") << QByteArray("000551524259") << "9 13"
                                          << "";
        QTest::newRow("unknown letter") << QByteArray("000590524259") << "8 9 13"
                                        << "";
        QTest::newRow("digit 6 is no signal") << QByteArray("000554524259") << "8 9 13"
                                              << "";
        // Malformed lines give nothing and the report goes on.
        QTest::newRow("short line") << QByteArray("00056512") << "8 9 13"
                                    << "";
        QTest::newRow("non-digit") << QByteArray("0005A5123456") << "8 9 13"
                                   << "";
        QTest::newRow("module digit 9") << QByteArray("000083500000") + "9"
                                        << ""
                                        << "";
        QTest::newRow("module digit 0") << QByteArray("000083500000") + "0"
                                        << ""
                                        << "";
        QTest::newRow("module letter") << QByteArray("000086500000") + "x"
                                       << ""
                                       << "";
        QTest::newRow("module missing") << QByteArray("000086500000") << ""
                                        << "";
        QTest::newRow("object beyond 1024") << QByteArray("200065500000") << "8 9 13"
                                            << "";
        QTest::newRow("object letter without object") << QByteArray("000065524259") << "8 9 13"
                                                      << "";
    }
    void recordRules()
    {
        QFETCH(QByteArray, record);
        QFETCH(QString, boxes);
        QFETCH(QString, line);
        const QStringList checked = boxes.split(QLatin1Char(' '));
        m_request.Check8 = checked.contains(QStringLiteral("8"));
        m_request.Check9 = checked.contains(QStringLiteral("9"));
        m_request.Check13 = checked.contains(QStringLiteral("13"));
        m_request.setSelected(4, true);
        // A well-formed record after it shows that reading went on.
        writeDay(kDay, {record, QByteArray("0000839583331")});
        const QStringList body = bodyOf(buildDay());
        const QString last =
            QStringLiteral("23:00:00         Стартирана система Zelvan 064  Модул  1");
        const QStringList expected = line.isEmpty() ? QStringList{last} : QStringList{line, last};
        QCOMPARE(body, expected);
    }

    void systemPartInLabelsAndModules()
    {
        m_state.SystemNo = 12;
        m_state.ShowSystemZero = QStringLiteral("Y");
        setEntries();
        m_request.setSelected(4, true);
        writeDay(kDay, {QByteArray("0000860416672"), QByteArray("000565083333")});
        QCOMPARE(bodyOf(buildDay()), (QStringList{"01:00:00         Прекъсната връзка с  Модул 122",
                                                  "02:00:00  121-005  Нарушен  Аптека Ц"}));
    }

    void noObjectSelected()
    {
        m_request.Check8 = m_request.Check9 = m_request.Check13 = true;
        writeDay(kDay, {QByteArray("0000830416671"), QByteArray("000580083333"),
                        QByteArray("000565125000"), QByteArray("0000861666671"),
                        QByteArray("090049208333")});
        const ArchiveReportResult r = buildDay();
        QCOMPARE(r.text,
                 QStringLiteral("          Aрхив за поети обекти и нарушения за 7 Май 2003 год.\r\n"
                                "01:00:00         Стартирана система Zelvan 064  Модул  1\r\n"
                                "04:00:00         Прекъсната връзка с  Модул  1\r\n\r\n"));
    }

    void hoursWindow_data()
    {
        QTest::addColumn<int>("fromHour");
        QTest::addColumn<int>("toHour");
        QTest::addColumn<QStringList>("times");
        QTest::addColumn<bool>("swapped");
        QTest::newRow("FromHour 0 takes the whole first day start")
            << 0 << 7 << QStringList{"00:00:00", "06:59:59", "07:00:00"} << false;
        QTest::newRow("ToHour 24 reaches 23:59:59")
            << 8 << 24 << QStringList{"08:00:00", "12:00:00", "20:00:01", "23:59:59", "23:59:59"}
            << false;
        QTest::newRow("hours swapped within one day")
            << 20 << 7 << QStringList{"07:00:00", "07:00:01", "08:00:00", "12:00:00"} << true;
    }
    void hoursWindow()
    {
        QFETCH(int, fromHour);
        QFETCH(int, toHour);
        QFETCH(QStringList, times);
        QFETCH(bool, swapped);
        m_request.setSelected(4, true);
        // The last record is in the final tenth of a second of the day.
        writeDay(kDay, {QByteArray("000565000000"), QByteArray("000565291655"),
                        QByteArray("000565291667"), QByteArray("000565291678"),
                        QByteArray("000565333333"), QByteArray("000565500000"),
                        QByteArray("000565833345"), QByteArray("000565999988"),
                        QByteArray("000565999999")});
        const ArchiveReportResult r = buildDay(fromHour, toHour);
        QCOMPARE(r.hoursSwapped, swapped);
        QStringList shown;
        for (const QString& line : bodyOf(r))
            shown << line.left(8);
        QCOMPARE(shown, times);
    }

    void hoursApplyOnlyToFirstAndLastDay()
    {
        m_request.setSelected(4, true);
        const QDate d2 = kDay.addDays(1);
        const QDate d3 = kDay.addDays(2);
        writeDay(kDay, {QByteArray("000565791667"), QByteArray("000565875000")});
        writeDay(d2, {QByteArray("000565041667"), QByteArray("000565958333")});
        writeDay(d3, {QByteArray("000565250000"), QByteArray("000565333333")});
        ReportPeriod period(kDay);
        for (int i = 0; i < 20; ++i)
            period.spinUp(PeriodSpin::FromHour);
        period.spinUp(PeriodSpin::ToDay);
        period.spinUp(PeriodSpin::ToDay);
        QList<int> progress;
        const ArchiveReportResult r =
            ArchiveReport(m_state, *m_files).build(period, m_request, [&](int done, int total) {
                QCOMPARE(total, 3);
                progress << done;
            });
        QVERIFY(!r.hoursSwapped);
        QStringList times;
        for (const QString& line : linesOf(r.text)) {
            if (line.contains(QStringLiteral("Нарушен")))
                times << line.left(8);
        }
        QCOMPARE(times, (QStringList{"21:00:00", "01:00:00", "23:00:00", "06:00:00"}));
        QCOMPARE(progress, (QList<int>{0, 1, 2, 3}));
    }

    void notTakenSection()
    {
        m_request.Check8 = false;
        m_request.Check9 = false;
        m_request.Check10 = true;
        for (int entry : {0, 1, 2, 3})
            m_request.setSelected(entry, true);
        writeDay(kDay, {QByteArray("000280125000"),   // inside the hours, Check8 unchecked
                        QByteArray("000380333333"),   // after ToHour
                        QByteArray("000680166667"),   // not selected
                        QByteArray("000479166667")}); // released is not taken
        const ArchiveReportResult r = buildDay(0, 7);
        QCOMPARE(r.text, QStringLiteral("          Aрхив за 7 Май 2003 год.\r\n\r\n"
                                        "          Aрхив за непоемани обекти\r\n"
                                        " 1-001  Непоеман  Обект 1\r\n"
                                        " 1-003  Непоеман  Обект 3\r\n"
                                        " 1-004  Непоеман  Обект 4\r\n\r\n"));
    }

    void limitEndsTheReport_data()
    {
        QTest::addColumn<int>("records");
        QTest::newRow("stops inside the first day") << 3000;
        // The first day ends just past the limit, so the check before the
        // second day's heading stops the report.
        QTest::newRow("stops at the next day's heading") << 1513;
    }
    void limitEndsTheReport()
    {
        QFETCH(int, records);
        m_request.setSelected(4, true);
        // Each violation line is 37 characters with its line end.
        QList<QByteArray> lines;
        for (int i = 0; i < records; ++i)
            lines << violationOf5At(i * 20);
        writeDay(kDay, lines);
        writeDay(kDay.addDays(1), lines);
        ReportPeriod period(kDay);
        period.spinUp(PeriodSpin::ToDay);
        for (int i = 0; i < 17; ++i)
            period.spinUp(PeriodSpin::ToHour);
        const ArchiveReportResult r = build(period);

        QVERIFY(r.limitReached);
        const QString ending = CRLF + ReportTexts::kTooLarge + CRLF + ReportTexts::kContinueFrom;
        QVERIFY(r.text.endsWith(ending));
        const QString body = r.text.chopped(ending.size());
        // The check is made before each line: the text passed the limit by less than one line.
        QVERIFY(body.size() > ArchiveReport::kLimit);
        QVERIFY(body.size() <= ArchiveReport::kLimit + 37);
        QVERIFY(!r.text.contains(QStringLiteral("8 Май")));
        QCOMPARE(r.text.count(ReportTexts::kTooLarge), 1);
        QVERIFY(!fileIsOpen(QDir(m_dir.path()).filePath(DayArchive::dayFileName(kDay))));
        QVERIFY(!fileIsOpen(QDir(m_dir.path()).filePath(DayArchive::dayFileName(kDay.addDays(1)))));
    }

    void limitInNotTakenSection()
    {
        m_request.Check10 = true;
        m_request.Check9 = true;
        m_request.setModuleSelected(0, true);
        m_request.setModuleSelected(1, true);
        QList<QByteArray> lines;
        for (int i = 0; i < 1450; ++i)
            lines << violationOf5At(i * 20);
        writeDay(kDay, lines);
        const ArchiveReportResult r = buildDay();
        QVERIFY(r.limitReached);
        QVERIFY(r.text.contains(ReportTexts::kNotTakenHeading));
        QVERIFY(r.text.endsWith(ReportTexts::kContinueFrom));
        QVERIFY(!r.text.contains(QStringLiteral("2-128  Непоеман")));
    }
};

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"

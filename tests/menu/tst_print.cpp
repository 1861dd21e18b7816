#include "menu/PrintJob.h"
#include "report/ReportRequest.h"
#include "report/ReportTexts.h"
#include "support/FakePrintSink.h"

#include <QTest>

using namespace zelvan;
using zelvan::test::FakePrintSink;

namespace {
const QString CRLF = QStringLiteral("\r\n");

QStringList numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("line %1").arg(i);
    return lines;
}
} // namespace

class TestPrint : public QObject
{
    Q_OBJECT
private slots:
    void splitsAtLineEnds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("last line without line end") << "a\r\nb" << QStringList{"a", "b"};
        QTest::newRow("last line with line end") << "a\r\nb\r\n" << QStringList{"a", "b"};
        QTest::newRow("empty line kept") << "a\r\n\r\nb" << QStringList{"a", "", "b"};
        QTest::newRow("trailing empty line kept") << "a\r\n\r\n" << QStringList{"a", ""};
        QTest::newRow("text box line ends") << "a\nb" << QStringList{"a", "b"};
        QTest::newRow("single line") << "a" << QStringList{"a"};
        QTest::newRow("nothing") << "" << QStringList{};
    }
    void splitsAtLineEnds()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        FakePrintSink sink;
        printReport(sink, PrinterFont{}, text);
        QCOMPARE(sink.allLines(), lines);
    }

    void limitLinesPrintedOnce()
    {
        const QString report = QStringLiteral("          Aрхив за 1 Май 2003 год.") + CRLF
                               + "12:00:00   1-001  Нарушен  X" + CRLF + CRLF
                               + ReportTexts::kTooLarge + CRLF + ReportTexts::kContinueFrom;
        FakePrintSink sink;
        QVERIFY(printReport(sink, PrinterFont{}, report).printed);
        const QStringList all = sink.allLines();
        QCOMPARE(all.count(ReportTexts::kTooLarge), 1);
        QCOMPARE(all.count(ReportTexts::kContinueFrom), 1);
        QCOMPARE(all.last(), ReportTexts::kContinueFrom);
        QCOMPARE(all.size(), 5);
    }

    void pageBreaks_data()
    {
        // Ten lines fill a page of the fake printer.
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<QList<int>>("perPage");
        QTest::newRow("one line") << 1 << QList<int>{1};
        QTest::newRow("one page less one line") << 9 << QList<int>{9};
        QTest::newRow("exactly one page") << 10 << QList<int>{10};
        QTest::newRow("one line over") << 11 << QList<int>{10, 1};
        QTest::newRow("exactly three pages") << 30 << QList<int>{10, 10, 10};
    }
    void pageBreaks()
    {
        QFETCH(int, lineCount);
        QFETCH(QList<int>, perPage);
        FakePrintSink sink;
        const QStringList lines = numberedLines(lineCount);
        QVERIFY(printReport(sink, PrinterFont{}, lines.join(CRLF) + CRLF).printed);
        QList<int> sizes;
        for (const QStringList& page : sink.pages)
            sizes << int(page.size());
        QCOMPARE(sizes, perPage);
        QCOMPARE(sink.allLines(), lines);
        QCOMPARE(sink.documentsEnded, 1);
    }

    void namesListLeavesOutEmptyNames_data()
    {
        QTest::addColumn<int>("systemNo");
        QTest::addColumn<QString>("showZero");
        QTest::newRow("system part hidden") << 0 << "N";
        QTest::newRow("one-digit system") << 2 << "Y";
        QTest::newRow("two-digit system") << 12 << "Y";
    }
    void namesListLeavesOutEmptyNames()
    {
        QFETCH(int, systemNo);
        QFETCH(QString, showZero);
        StationState state;
        state.SystemNo = qint16(systemNo);
        state.ShowSystemZero = showZero;
        const QStringList entries{menuListEntry(state, 1, QString()),
                                  menuListEntry(state, 2, QStringLiteral("Б")),
                                  menuListEntry(state, 3, QString()),
                                  menuListEntry(state, 130, QStringLiteral("Аптека Център"))};
        FakePrintSink sink;
        QVERIFY(printNamesList(sink, PrinterFont{}, entries).printed);
        QCOMPARE(sink.allLines(), (QStringList{entries[1], entries[3]}));
    }

    void objectInfo()
    {
        FakePrintSink sink;
        const QString caption = QStringLiteral(" 1-005  Аптека");
        QVERIFY(printObjectInfo(sink, PrinterFont{}, caption, "ул. Шипка 5\r\nтел. 123").printed);
        QCOMPARE(sink.allLines(), (QStringList{caption, "", "ул. Шипка 5", "тел. 123"}));
    }

    void fontAndOutcome()
    {
        FakePrintSink sink;
        sink.m_outputPath = QStringLiteral("/data/Reports/report.pdf");
        const PrinterFont font{QStringLiteral("DejaVu Sans"), 14, true, false};
        const PrintOutcome outcome = printReport(sink, font, QStringLiteral("x"));
        QCOMPARE(sink.font.name, font.name);
        QCOMPARE(sink.font.size, 14);
        QVERIFY(sink.font.bold);
        QVERIFY(!sink.font.italic);
        QVERIFY(outcome.printed);
        QCOMPARE(outcome.operatorMessage(), ReportTexts::kPrintedToFile + sink.m_outputPath);
    }

    void failuresAreReported()
    {
        FakePrintSink refusing;
        refusing.m_refuseBegin = true;
        PrintOutcome outcome = printReport(refusing, PrinterFont{}, QStringLiteral("a\r\nb"));
        QVERIFY(!outcome.printed);
        QCOMPARE(outcome.operatorMessage(), ReportTexts::kPrintFailed);

        FakePrintSink failing;
        failing.m_failEnd = true;
        outcome = printReport(failing, PrinterFont{}, QStringLiteral("a"));
        QVERIFY(!outcome.printed);
        QCOMPARE(failing.documentsEnded, 1);
    }
};

QTEST_GUILESS_MAIN(TestPrint)
#include "tst_print.moc"

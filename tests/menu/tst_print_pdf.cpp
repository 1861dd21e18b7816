#include "menu/PrintJob.h"
#include "platform/PrinterSink.h"
#include "support/Fakes.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace zelvan;

namespace {

// Pages of a PDF file written by Qt: its page objects, which are never compressed.
int pdfPageCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QString content = QString::fromLatin1(file.readAll());
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    return int(content.count(page));
}

QString numberedText(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("%1  Ред за печат АаБбВвГг").arg(i, 4, 10, QLatin1Char('0'));
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace

class TestPrintPdf : public QObject
{
    Q_OBJECT
private slots:
    void fullPagesGiveNoEmptyLastPage_data()
    {
        QTest::addColumn<int>("pagesOfLines");
        QTest::addColumn<int>("extraLines");
        QTest::addColumn<int>("pages");
        QTest::newRow("two full pages") << 2 << 0 << 2;
        QTest::newRow("two pages and a line") << 2 << 1 << 3;
        QTest::newRow("one line") << 0 << 1 << 1;
    }
    void fullPagesGiveNoEmptyLastPage()
    {
        QFETCH(int, pagesOfLines);
        QFETCH(int, extraLines);
        QFETCH(int, pages);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        test::FakeClock clock;
        PrinterSink sink(clock, PrinterSink::reportsDirOf(dir.path()));
        sink.setForcePdf(true);
        const PrinterFont font{QStringLiteral("DejaVu Sans"), 12, false, false};

        // An A4 page holds 58 lines of DejaVu Sans 12 (13,699 dots of printable
        // height at 1200 dpi, 232.8 dots a line): the page breaks after the
        // line that leaves no room for another.
        constexpr int perPage = 58;

        const PrintOutcome outcome =
            printReport(sink, font, numberedText(pagesOfLines * perPage + extraLines));
        QVERIFY(outcome.printed);
        QVERIFY(outcome.outputPath.startsWith(PrinterSink::reportsDirOf(dir.path())));
        QVERIFY(QFile::exists(outcome.outputPath));
        QCOMPARE(pdfPageCount(outcome.outputPath), pages);
        if (qEnvironmentVariableIsSet("ZELVAN_KEEP_PDF"))
            QFile::copy(outcome.outputPath, qEnvironmentVariable("ZELVAN_KEEP_PDF"));
    }

    void successivePrintsKeepEarlierFiles()
    {
        QTemporaryDir dir;
        test::FakeClock clock;
        PrinterSink sink(clock, PrinterSink::reportsDirOf(dir.path()));
        sink.setForcePdf(true);
        const PrintOutcome first =
            printNamesList(sink, PrinterFont{}, {QStringLiteral(" 1-001  A")});
        const PrintOutcome second =
            printNamesList(sink, PrinterFont{}, {QStringLiteral(" 1-001  B")});
        QVERIFY(first.printed && second.printed);
        QVERIFY(first.outputPath != second.outputPath);
        QVERIFY(QFile::exists(first.outputPath));
        QVERIFY(QFile::exists(second.outputPath));
        QVERIFY(QFileInfo(second.outputPath).fileName().startsWith(QStringLiteral("names-")));
    }

    void unwritableFolderFailsToBegin()
    {
        QTemporaryDir dir;
        test::FakeClock clock;
        // A file where the reports folder should be.
        const QString blocker = PrinterSink::reportsDirOf(dir.path());
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        PrinterSink sink(clock, blocker);
        sink.setForcePdf(true);
        QVERIFY(!printReport(sink, PrinterFont{}, QStringLiteral("a")).printed);
    }
};

QTEST_MAIN(TestPrintPdf)
#include "tst_print_pdf.moc"

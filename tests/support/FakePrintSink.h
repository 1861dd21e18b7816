#pragma once

#include "core/PrintSink.h"

#include <QList>
#include <QStringList>

namespace zelvan::test {

// A printer that records what reaches each page. Every line is lineHeight
// high; a page holds pageHeight.
class FakePrintSink : public PrintSink
{
public:
    explicit FakePrintSink(double lineHeight = 10, double pageHeight = 100)
        : m_lineHeight(lineHeight), m_pageHeight(pageHeight)
    {
    }

    QString printerName() const override { return m_printerName; }
    QStringList fontNames() const override { return m_fontNames; }
    bool begin(const PrinterFont& font) override;
    void printLine(const QString& line) override;
    double textHeight(const QString&) const override { return m_lineHeight; }
    double currentY() const override { return m_y; }
    double pageHeight() const override { return m_pageHeight; }
    void newPage() override;
    bool endDocument() override;
    QString outputPath() const override { return m_outputPath; }
    // The real printing code over a given printer, so that previews and PDF
    // files of a window under test are what the station would print.
    std::unique_ptr<PrintSink> drawingOn(QPrinter& printer) const override;

    // Test controls.
    QString m_printerName;
    QStringList m_fontNames;
    QString m_outputPath;
    bool m_refuseBegin = false;
    bool m_failEnd = false;

    // What was printed: the pages of the last document, its font, and counts.
    QList<QStringList> pages;
    PrinterFont font;
    int documentsBegun = 0;
    int documentsEnded = 0;
    bool open = false;
    // Every line of the last document, in order.
    QStringList allLines() const;

private:
    double m_lineHeight;
    double m_pageHeight;
    double m_y = 0;
};

} // namespace zelvan::test

#include "platform/PrinterSink.h"

#include "core/Clock.h"
#include "core/ObjectFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPrinter>
#include <QPrinterInfo>

namespace zelvan {

namespace {

QPrinterInfo installedPrinter()
{
    const QPrinterInfo preferred = QPrinterInfo::defaultPrinter();
    if (!preferred.isNull())
        return preferred;
    const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
    return all.isEmpty() ? QPrinterInfo() : all.first();
}

} // namespace

PrinterSink::PrinterSink(const Clock& clock, QString reportsDir, QString title)
    : m_clock(&clock), m_reportsDir(std::move(reportsDir)), m_title(std::move(title))
{
}

PrinterSink::PrinterSink(QPrinter& target) : m_target(&target) {}

std::unique_ptr<PrintSink> PrinterSink::drawingOn(QPrinter& printer) const
{
    return std::make_unique<PrinterSink>(printer);
}

PrinterSink::~PrinterSink()
{
    if (m_painter.isActive())
        m_painter.end();
}

QString PrinterSink::reportsDirOf(const QString& dataDir)
{
    return ObjectFiles::reportsDirOf(dataDir);
}

bool PrinterSink::printerInstalled() { return !installedPrinter().isNull(); }

QString PrinterSink::printerLabel()
{
    const QPrinterInfo printer = installedPrinter();
    return printer.isNull() ? QString() : printer.printerName();
}

QString PrinterSink::printerName() const
{
    const QPrinterInfo printer = installedPrinter();
    return printer.isNull() ? QString() : printer.printerName();
}

QStringList PrinterSink::fontNames() const
{
    // Qt prints with the same fonts it shows, so the printer offers the
    // system's font families.
    return QFontDatabase::families();
}

QString PrinterSink::nextPdfPath() const
{
    const QString stamp = m_clock->now().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    const QDir dir(m_reportsDir);
    QString path = dir.filePath(m_title + QLatin1Char('-') + stamp + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(m_title + QLatin1Char('-') + stamp + QLatin1Char('-')
                            + QString::number(n) + QStringLiteral(".pdf"));
    return path;
}

bool PrinterSink::begin(const PrinterFont& font)
{
    if (m_painter.isActive())
        m_painter.end();
    m_outputPath.clear();
    m_ok = true;
    m_y = 0;

    if (m_target) {
        // The caller's printer keeps its own settings and document name.
    } else if (const QPrinterInfo printer = m_forcePdf ? QPrinterInfo() : installedPrinter();
               printer.isNull()) {
        if (!QDir().mkpath(m_reportsDir))
            return false;
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_outputPath = nextPdfPath();
        m_printer->setOutputFileName(m_outputPath);
    } else {
        m_printer = std::make_unique<QPrinter>(printer, QPrinter::HighResolution);
    }
    if (!m_target)
        m_printer->setDocName(m_title);

    m_font = QFont(font.name);
    m_font.setPointSize(font.size > 0 ? font.size : 9);
    m_font.setBold(font.bold);
    m_font.setItalic(font.italic);

    if (!m_painter.begin(printer())) {
        m_outputPath.clear();
        return false;
    }
    m_painter.setFont(m_font);
    return true;
}

void PrinterSink::printLine(const QString& line)
{
    if (!m_painter.isActive())
        return;
    const QFontMetricsF metrics(m_painter.font(), printer());
    if (!line.isEmpty())
        m_painter.drawText(QPointF(0, m_y + metrics.ascent()), line);
    m_y += metrics.height();
}

double PrinterSink::textHeight(const QString& text) const
{
    if (!printer())
        return 0;
    const QFontMetricsF metrics(m_painter.isActive() ? m_painter.font() : m_font, printer());
    const int lines = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
    return metrics.height() * lines;
}

double PrinterSink::pageHeight() const { return printer() ? printer()->height() : 0; }

void PrinterSink::newPage()
{
    if (!m_painter.isActive())
        return;
    if (!printer()->newPage())
        m_ok = false;
    m_y = 0;
}

bool PrinterSink::endDocument()
{
    if (!m_painter.isActive())
        return false;
    const bool ended = m_painter.end();
    return m_ok && ended;
}

} // namespace zelvan

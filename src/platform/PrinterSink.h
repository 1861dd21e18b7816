#pragma once

#include "core/PrintSink.h"

#include <QFont>
#include <QPainter>
#include <QString>
#include <memory>

class QPrinter;

namespace zelvan {

class Clock;

// The system's default printer. Where no printer is installed, each document
// is written as a PDF file into the reports folder instead, named after the
// document and the time it was printed, and outputPath() tells where.
// Built over a given printer instead, it draws on that one: the page of a
// print preview, the printer chosen there, or a PDF file set up by the caller.
class PrinterSink : public PrintSink
{
public:
    // reportsDir: the folder for PDF files (created when needed); title: the
    // start of each PDF file name.
    PrinterSink(const Clock& clock, QString reportsDir, QString title = QStringLiteral("report"));
    explicit PrinterSink(QPrinter& target);
    ~PrinterSink() override;

    // The reports folder of a data directory.
    static QString reportsDirOf(const QString& dataDir);
    // True when the system has at least one printer.
    static bool printerInstalled();
    // Label11: the default printer's name, or "Няма инсталиран принтер".
    static QString printerLabel();

    void setTitle(const QString& title) { m_title = title; }
    // Writes PDF files even when a printer is installed.
    void setForcePdf(bool force) { m_forcePdf = force; }

    QString printerName() const override;
    QStringList fontNames() const override;
    void setDocumentName(const QString& name) override { m_title = name; }
    bool begin(const PrinterFont& font) override;
    void printLine(const QString& line) override;
    double textHeight(const QString& text) const override;
    double currentY() const override { return m_y; }
    double pageHeight() const override;
    void newPage() override;
    bool endDocument() override;
    QString outputPath() const override { return m_outputPath; }
    std::unique_ptr<PrintSink> drawingOn(QPrinter& printer) const override;

private:
    QString nextPdfPath() const;

    QPrinter* printer() const { return m_target ? m_target : m_printer.get(); }

    const Clock* m_clock = nullptr;
    QPrinter* m_target = nullptr;
    QString m_reportsDir;
    QString m_title;
    bool m_forcePdf = false;
    std::unique_ptr<QPrinter> m_printer;
    QPainter m_painter;
    QFont m_font;
    double m_y = 0;
    bool m_ok = true;
    QString m_outputPath;
};

} // namespace zelvan

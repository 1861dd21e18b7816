#pragma once

#include "core/ZelvanIni.h"

#include <QString>
#include <QStringList>
#include <memory>

class QPrinter;

namespace zelvan {

// A printer seen as lines on pages. Positions and heights are in the sink's
// own units, the same for all of them. One sink prints one document at a time:
// begin, lines and page breaks, endDocument.
class PrintSink
{
public:
    virtual ~PrintSink() = default;

    // Name of the default printer; empty when no printer is installed.
    virtual QString printerName() const = 0;
    // Names of the fonts the operator may choose.
    virtual QStringList fontNames() const = 0;
    // What the next document is (report, names list, object information); a
    // printer shows it in its queue, a file takes its name from it.
    virtual void setDocumentName(const QString&) {}

    // Starts a document printed in the font. False when it cannot be started.
    virtual bool begin(const PrinterFont& font) = 0;
    // Prints one line at the current position and moves down by its height.
    virtual void printLine(const QString& line) = 0;
    // Height of a text in the current font.
    virtual double textHeight(const QString& text) const = 0;
    // Current vertical position from the top of the printable area.
    virtual double currentY() const = 0;
    // Height of the printable area of a page.
    virtual double pageHeight() const = 0;
    // Ejects the current page; the next line goes to the top of a new one.
    virtual void newPage() = 0;
    // Ends the document; false when the printer or the file reported an error.
    virtual bool endDocument() = 0;
    // Where the document went when it was written to a file instead of a
    // printer; empty otherwise.
    virtual QString outputPath() const { return {}; }

    // A sink of the same printing code that draws on the given printer: a
    // print preview's pages, the printer chosen there, a PDF file. Null when
    // this sink cannot draw on another printer.
    virtual std::unique_ptr<PrintSink> drawingOn(QPrinter& printer) const
    {
        (void)printer;
        return nullptr;
    }
};

} // namespace zelvan

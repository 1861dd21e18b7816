#pragma once

#include "core/ZelvanIni.h"

#include <QString>
#include <QStringList>

namespace zelvan {

class PrintSink;

// What became of a print command.
struct PrintOutcome
{
    bool printed = false; // the document was started and ended without error
    QString outputPath;   // the PDF file written when no printer is installed
    // The text for the operator: empty after a normal print on a printer, the
    // file's path when written to a file, a failure text otherwise.
    QString operatorMessage() const;
};

// One printed document: lines in one font, a new page whenever the next line
// would not fit, and no empty page at the end.
class PrintJob
{
public:
    PrintJob(PrintSink& sink, const PrinterFont& font);

    // Prints one line.
    void line(const QString& text);
    // Prints a text line by line; CR LF (or a lone LF) ends a line, and a last
    // line without a line end is printed too.
    void text(const QString& text);
    // Ends the document.
    PrintOutcome finish();

    // A text split into its lines as text() prints them.
    static QStringList splitLines(const QString& text);

private:
    bool ensureStarted();

    PrintSink& m_sink;
    PrinterFont m_font;
    bool m_started = false;
    bool m_failed = false;
    bool m_breakPending = false;
};

// The three "Печат" commands of the menu window.
// The archive report text (tab "Архив данни").
PrintOutcome printReport(PrintSink& sink, const PrinterFont& font, const QString& text);
// The named objects of the objects list, one entry per line; entries without a name are left out.
// unreadable: why Name.dat could not be read (its names are then not known),
// printed in place of the list; empty when it was read.
PrintOutcome printNamesList(PrintSink& sink, const PrinterFont& font, const QStringList& entries,
                            const QString& unreadable = QString());
// An object's caption, one empty line, then its information text.
PrintOutcome printObjectInfo(PrintSink& sink, const PrinterFont& font, const QString& caption,
                             const QString& info);

} // namespace zelvan

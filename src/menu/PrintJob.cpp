#include "menu/PrintJob.h"

#include "core/PrintSink.h"
#include "report/ReportRequest.h"
#include "report/ReportTexts.h"

namespace zelvan {

QString PrintOutcome::operatorMessage() const
{
    if (!printed)
        return ReportTexts::kPrintFailed;
    if (!outputPath.isEmpty())
        return ReportTexts::kPrintedToFile + outputPath;
    return {};
}

PrintJob::PrintJob(PrintSink& sink, const PrinterFont& font) : m_sink(sink), m_font(font) {}

bool PrintJob::ensureStarted()
{
    if (!m_started && !m_failed) {
        m_started = m_sink.begin(m_font);
        m_failed = !m_started;
    }
    return m_started;
}

void PrintJob::line(const QString& text)
{
    if (!ensureStarted())
        return;
    // A page that is full is ejected only when another line follows, so the
    // document never ends with an empty page.
    if (m_breakPending) {
        m_sink.newPage();
        m_breakPending = false;
    }
    m_sink.printLine(text);
    if (m_sink.currentY() + m_sink.textHeight(QStringLiteral("A")) > m_sink.pageHeight())
        m_breakPending = true;
}

QStringList PrintJob::splitLines(const QString& text)
{
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = normal.split(QLatin1Char('\n'));
    // The line end after the last line ends it; it does not start another.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void PrintJob::text(const QString& text)
{
    for (const QString& l : splitLines(text))
        line(l);
}

PrintOutcome PrintJob::finish()
{
    PrintOutcome outcome;
    if (!m_started) {
        // Nothing was printed: no document, and no error unless begin failed.
        outcome.printed = !m_failed;
        return outcome;
    }
    m_started = false;
    outcome.printed = m_sink.endDocument();
    outcome.outputPath = m_sink.outputPath();
    return outcome;
}

PrintOutcome printReport(PrintSink& sink, const PrinterFont& font, const QString& text)
{
    sink.setDocumentName(QStringLiteral("report"));
    PrintJob job(sink, font);
    job.text(text);
    return job.finish();
}

PrintOutcome printNamesList(PrintSink& sink, const PrinterFont& font, const QStringList& entries,
                            const QString& unreadable)
{
    sink.setDocumentName(QStringLiteral("names"));
    PrintJob job(sink, font);
    // Labels without their names would read as a register with no names in it.
    if (!unreadable.isEmpty()) {
        job.line(unreadable);
        return job.finish();
    }
    for (const QString& entry : entries) {
        if (!menuEntryName(entry).trimmed().isEmpty())
            job.line(entry);
    }
    return job.finish();
}

PrintOutcome printObjectInfo(PrintSink& sink, const PrinterFont& font, const QString& caption,
                             const QString& info)
{
    sink.setDocumentName(QStringLiteral("object"));
    PrintJob job(sink, font);
    job.line(caption);
    job.line(QString());
    job.text(info);
    return job.finish();
}

} // namespace zelvan

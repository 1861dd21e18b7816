#include "support/FakePrintSink.h"

#include "platform/PrinterSink.h"

namespace zelvan::test {

std::unique_ptr<PrintSink> FakePrintSink::drawingOn(QPrinter& printer) const
{
    return std::make_unique<PrinterSink>(printer);
}

bool FakePrintSink::begin(const PrinterFont& f)
{
    if (m_refuseBegin)
        return false;
    ++documentsBegun;
    open = true;
    font = f;
    pages = {QStringList()};
    m_y = 0;
    return true;
}

void FakePrintSink::printLine(const QString& line)
{
    if (!open)
        return;
    pages.last().append(line);
    m_y += m_lineHeight;
}

void FakePrintSink::newPage()
{
    if (!open)
        return;
    pages.append(QStringList());
    m_y = 0;
}

bool FakePrintSink::endDocument()
{
    if (!open)
        return false;
    open = false;
    ++documentsEnded;
    return !m_failEnd;
}

QStringList FakePrintSink::allLines() const
{
    QStringList all;
    for (const QStringList& page : pages)
        all += page;
    return all;
}

} // namespace zelvan::test

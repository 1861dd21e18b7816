#include "core/IniText.h"

#include "core/Cp1251.h"

namespace zelvan {

namespace {

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

} // namespace

QList<IniLine> splitIniLines(const QByteArray& file)
{
    QList<IniLine> lines;
    qsizetype start = 0;
    const qsizetype n = file.size();
    while (start < n) {
        qsizetype end = start;
        while (end < n && file[end] != '\n' && file[end] != '\r')
            ++end;
        IniLine line;
        line.bytes = file.mid(start, end - start);
        qsizetype next = end;
        if (end < n && file[end] == '\r')
            ++next;
        if (next < n && file[next] == '\n')
            ++next;
        line.ending = file.mid(end, next - end);
        line.text = fromCp1251(line.bytes);
        lines.append(std::move(line));
        start = next;
    }
    return lines;
}

bool looksLikeHeader(QStringView line)
{
    const QStringView t = line.trimmed();
    return t.size() >= 2 && t.front() == QLatin1Char('[') && t.back() == QLatin1Char(']');
}

void IniCursor::nextLine()
{
    ++m_line;
    m_column = 0;
}

void IniCursor::skipBlankLines()
{
    while (!atEnd()) {
        const QString& text = (*m_lines)[m_line].text;
        while (m_column < text.size() && isBlank(text[m_column]))
            ++m_column;
        if (m_column < text.size())
            return;
        nextLine();
    }
}

std::optional<QString> IniCursor::readToken()
{
    skipBlankLines();
    if (atEnd())
        return std::nullopt;
    const QString& text = (*m_lines)[m_line].text;
    QString value;
    qsizetype i = m_column;
    if (text[i] == QLatin1Char('"')) {
        const qsizetype close = text.indexOf(QLatin1Char('"'), i + 1);
        const qsizetype stop = close < 0 ? text.size() : close;
        value = text.mid(i + 1, stop - i - 1);
        i = close < 0 ? text.size() : close + 1;
        while (i < text.size() && text[i] != QLatin1Char(','))
            ++i;
    } else {
        const qsizetype comma = text.indexOf(QLatin1Char(','), i);
        const qsizetype stop = comma < 0 ? text.size() : comma;
        value = text.mid(i, stop - i);
        while (!value.isEmpty() && isBlank(value.back()))
            value.chop(1);
        i = stop;
    }
    if (i < text.size()) { // at a comma: the next token follows on this line
        m_column = i + 1;
        if (m_column >= text.size())
            nextLine();
    } else {
        nextLine();
    }
    return value;
}

std::optional<QString> IniCursor::readLine()
{
    if (atEnd())
        return std::nullopt;
    const QString rest = (*m_lines)[m_line].text.mid(m_column);
    nextLine();
    return rest;
}

bool IniCursor::findHeaderByToken(QStringView header)
{
    m_line = 0;
    m_column = 0;
    while (auto token = readToken()) {
        if (*token == header)
            return true;
    }
    return false;
}

bool IniCursor::findHeaderByLine(QStringView header)
{
    m_line = 0;
    m_column = 0;
    while (auto line = readLine()) {
        if (*line == header)
            return true;
    }
    return false;
}

} // namespace zelvan

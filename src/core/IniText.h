#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

namespace zelvan {

// One line of zelvan.ini as stored: its bytes and its own line end ("\r\n",
// "\n", "\r", or nothing on a last line without one), so a rewrite can copy
// every line it does not change byte for byte.
struct IniLine
{
    QByteArray bytes;
    QByteArray ending;
    QString text; // bytes read as cp1251
};

QList<IniLine> splitIniLines(const QByteArray& file);

// True for a line that reads as a section header ("[Options]", "[Visible 0]").
bool looksLikeHeader(QStringView line);

// Walks the lines of zelvan.ini the two ways its values are read:
// - as tokens: blank lines and leading blanks skipped, surrounding double
//   quotes removed, the value ends at the first comma or the end of the line
//   (so "4800,n,8,1" is four tokens);
// - as whole lines: the rest of the current line exactly as stored.
class IniCursor
{
public:
    explicit IniCursor(const QList<IniLine>& lines) : m_lines(&lines) {}

    bool atEnd() const { return m_line >= m_lines->size(); }
    qsizetype line() const { return m_line; }
    qsizetype column() const { return m_column; }

    std::optional<QString> readToken();
    std::optional<QString> readLine();

    // Reads from the start until a token (or a whole line) equals the header;
    // the cursor then stands after it. False when the file has no such header.
    bool findHeaderByToken(QStringView header);
    bool findHeaderByLine(QStringView header);

private:
    void skipBlankLines();
    void nextLine();

    const QList<IniLine>* m_lines;
    qsizetype m_line = 0;
    qsizetype m_column = 0;
};

} // namespace zelvan

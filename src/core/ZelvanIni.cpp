#include "core/ZelvanIni.h"

#include "core/ConfigTexts.h"
#include "core/Cp1251.h"
#include "core/DurableFile.h"
#include "core/IniText.h"
#include "core/NumericText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zelvan {

namespace {

const QString kDirData = QStringLiteral("[DirData]");
const QString kVisible = QStringLiteral("[Visible 0]");
const QString kSystem = QStringLiteral("[System]");
const QString kHub = QStringLiteral("[Hub]");
const QString kCommPort = QStringLiteral("[CommPort]");
const QString kModuls = QStringLiteral("[Moduls]");
const QString kOptions = QStringLiteral("[Options]");
const QString kFontPrinter = QStringLiteral("[FontPrinter]");

// A token that has a numeric value: optional sign, then digits (or a point
// and digits) after the leading blanks. Anything else cannot stand where a
// number is read.
bool hasNumber(QStringView token)
{
    const QStringView t = token.trimmed();
    qsizetype i = 0;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
        ++i;
    if (i < t.size() && t[i] == QLatin1Char('.'))
        ++i;
    return i < t.size() && t[i].isDigit() && t[i].unicode() < 0x80;
}

QByteArray readFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return {};
    }
    return file.readAll();
}

// The values of one section, read in order under its header. Each read
// returns the value or, when it is missing or unusable, notes the problem and
// returns nothing so that the caller keeps the default.
class SectionReader
{
public:
    enum class HeaderScan
    {
        ByToken,
        ByLine
    };

    SectionReader(const QList<IniLine>& lines, const QString& header, HeaderScan scan,
                  QStringList* problems)
        : m_cursor(lines), m_header(header), m_problems(problems)
    {
        m_found = scan == HeaderScan::ByToken ? m_cursor.findHeaderByToken(header)
                                              : m_cursor.findHeaderByLine(header);
        if (!m_found)
            note(config_texts::missingSection().arg(header));
    }

    bool found() const { return m_found; }

    std::optional<QString> token(const QString& fallback)
    {
        if (!m_found || !valueFollows(fallback))
            return std::nullopt;
        ++m_index;
        return m_cursor.readToken();
    }

    std::optional<QString> line(const QString& fallback)
    {
        if (!m_found || !valueFollows(fallback))
            return std::nullopt;
        ++m_index;
        return m_cursor.readLine();
    }

    // The numeric value of the next token, rounded half to even, within
    // [low, high].
    std::optional<qint64> integer(qint64 fallback, qint64 low, qint64 high)
    {
        const auto t = token(QString::number(fallback));
        if (!t)
            return std::nullopt;
        const qint64 value = integerValue(*t);
        if (!hasNumber(*t) || value < low || value > high) {
            bad(*t, QString::number(fallback));
            return std::nullopt;
        }
        return value;
    }

    // "Y" or "N" (blanks around it allowed). Any other text ("y", "Yes") is
    // damaged: it would be read as "not Y" and switch a feature off unseen.
    std::optional<QString> yesNo(const QString& fallback)
    {
        const auto t = token(fallback);
        if (!t)
            return std::nullopt;
        const QString v = t->trimmed();
        if (v != QLatin1String("Y") && v != QLatin1String("N")) {
            bad(*t, fallback);
            return std::nullopt;
        }
        return v;
    }

    void bad(const QString& value, const QString& fallback)
    {
        note(config_texts::badValue().arg(m_header).arg(m_index).arg(value, fallback));
    }

private:
    // A value follows unless the file ends or the next section begins: its
    // header, also when values stand after it on its line, as the options
    // rewrite sees it too.
    bool valueFollows(const QString& fallback)
    {
        IniCursor probe = m_cursor;
        const auto next = probe.readToken();
        if (next && !looksLikeHeader(*next))
            return true;
        note(config_texts::missingValue().arg(m_header).arg(m_index + 1).arg(fallback));
        return false;
    }

    void note(const QString& problem)
    {
        if (m_problems)
            m_problems->append(problem);
    }

    IniCursor m_cursor;
    QString m_header;
    QStringList* m_problems;
    bool m_found = false;
    int m_index = 0;
};

std::array<qint16, 6> readOptionValues(const QList<IniLine>& lines, QStringList* problems)
{
    std::array<qint16, 6> options = kDefaultOptions;
    // Each option is on (1) or off (0). Any other number (a hand-edited -1 or
    // 2) is damaged: the box would show it ticked while the option acts only
    // on 1. It takes its default, and the problem is listed.
    SectionReader section(lines, kOptions, SectionReader::HeaderScan::ByToken, problems);
    for (size_t i = 0; section.found() && i < options.size(); ++i) {
        if (auto v = section.integer(options[i], 0, 1))
            options[i] = qint16(*v);
    }
    return options;
}

PrinterFont readFontValues(const QList<IniLine>& lines, QStringList* problems)
{
    PrinterFont font;
    SectionReader section(lines, kFontPrinter, SectionReader::HeaderScan::ByLine, problems);
    if (!section.found())
        return font;
    // An empty name (a line that starts with a comma) is damaged: written back
    // as an empty line, the next read would take the size for the name.
    if (auto name = section.token(font.name)) {
        if (name->trimmed().isEmpty())
            section.bad(*name, font.name);
        else
            font.name = *name;
    }
    if (auto size = section.integer(font.size, 1, 1000))
        font.size = int(*size);
    if (auto bold = section.integer(0, -32768, 32767))
        font.bold = *bold != 0;
    if (auto italic = section.integer(0, -32768, 32767))
        font.italic = *italic != 0;
    return font;
}

QByteArray crlf(const QByteArray& line) { return line + "\r\n"; }

// The font name as its line: a name with a comma is quoted (unquoted, the
// reader would end the name at the comma and take the rest for the size); an
// empty one is written as the default name.
QByteArray fontNameLine(const QString& name)
{
    if (name.trimmed().isEmpty())
        return toCp1251(PrinterFont().name);
    if (name.contains(QLatin1Char(',')) && !name.contains(QLatin1Char('"')))
        return '"' + toCp1251(name) + '"';
    return toCp1251(name);
}

// Replaces the values of one section: the lines up to and including the
// header stay, up to `count` old values are dropped (never past the next
// section or a blank line, so a short section does not swallow what
// follows), the new value lines take their place and every later line stays
// as it was. A missing section is added at the end.
QList<IniLine> rewriteSection(const QList<IniLine>& lines, const QString& header,
                              SectionReader::HeaderScan scan, int count,
                              const QList<QByteArray>& values)
{
    auto lineOf = [](const QByteArray& bytes) {
        return IniLine{bytes, QByteArrayLiteral("\r\n"), fromCp1251(bytes)};
    };

    IniCursor cursor(lines);
    const bool found = scan == SectionReader::HeaderScan::ByToken ? cursor.findHeaderByToken(header)
                                                                  : cursor.findHeaderByLine(header);
    QList<IniLine> out;
    if (!found) {
        out = lines;
        if (!out.isEmpty() && out.last().ending.isEmpty())
            out.last().ending = QByteArrayLiteral("\r\n");
        if (!out.isEmpty() && !out.last().text.trimmed().isEmpty())
            out.append(lineOf({}));
        out.append(lineOf(toCp1251(header)));
        for (const QByteArray& v : values)
            out.append(lineOf(v));
        return out;
    }

    const qsizetype headerLine = cursor.column() == 0 ? cursor.line() - 1 : cursor.line();
    out = lines.mid(0, headerLine + 1);
    if (cursor.column() > 0) {
        // Values follow the header on its own line, after a comma: the line
        // keeps what stands before that comma, and the values are replaced.
        IniLine& headerText = out.last();
        headerText.bytes.truncate(cursor.column() - 1);
        headerText.text.truncate(cursor.column() - 1);
    }
    if (out.last().ending.isEmpty() || cursor.column() > 0)
        out.last().ending = QByteArrayLiteral("\r\n");
    for (int dropped = 0; dropped < count && !cursor.atEnd();) {
        const QString& text = lines[cursor.line()].text;
        if (QStringView(text).mid(cursor.column()).trimmed().isEmpty()) {
            if (cursor.column() == 0)
                break;         // a blank line ends the section
            cursor.readLine(); // only blanks after the last comma
            continue;
        }
        IniCursor probe = cursor;
        if (looksLikeHeader(probe.readToken().value_or(QString())))
            break; // never drop the next section's header
        cursor = probe;
        ++dropped;
    }
    for (const QByteArray& v : values)
        out.append(lineOf(v));
    qsizetype rest = cursor.line();
    if (!cursor.atEnd() && cursor.column() > 0) {
        // The last dropped value ended at a comma: what follows on that line stays.
        const IniLine& l = lines[rest];
        const QByteArray tail = l.bytes.mid(cursor.column());
        out.append(IniLine{tail, l.ending, fromCp1251(tail)});
        ++rest;
    }
    out.append(lines.mid(rest));
    return out;
}

QByteArray joinLines(const QList<IniLine>& lines)
{
    QByteArray bytes;
    for (const IniLine& l : lines)
        bytes += l.bytes + l.ending;
    return bytes;
}

} // namespace

bool PortConfig::shouldOpen() const
{
    return token.startsWith(QLatin1Char('/')) || integerValue(token) > 0;
}

void StartupConfig::applyTo(StationState& state) const
{
    state.ModuleEnabled[0] = false;
    // Without the hub only module 1 (first port) and module 2 (second port) are
    // wired; a module 3..8 left enabled would have its commands answered by
    // module 2 and be reported silent at every supervision tick.
    const bool hub = HubMode == QLatin1String("Y");
    for (int m = 1; m <= kModuleCount; ++m)
        state.ModuleEnabled[size_t(m)] =
            moduls.size() >= m && moduls[m - 1] == QLatin1Char('Y') && (hub || m <= 2);
    state.DataDir = DataDir;
    state.SystemNo = SystemNo;
    state.ShowSystemZero = ShowSystemZero;
    state.HubMode = HubMode;
    state.OptShowAlarms = options[0];
    state.OptShowEvents = options[1];
    state.OptPanelOnTop = options[2];
    state.OptAlarmSound = options[3];
    state.OptEventSound = options[4];
    state.OptShowKeypad = options[5];
}

ZelvanIni::ZelvanIni(QString programDir) : m_programDir(std::move(programDir)) {}

QString ZelvanIni::path() const { return m_programDir + QStringLiteral("/zelvan.ini"); }
QString ZelvanIni::tmpPath() const { return m_programDir + QStringLiteral("/zelvan.tmp"); }
bool ZelvanIni::exists() const { return QFile::exists(path()); }
QString ZelvanIni::defaultDataDir() const { return m_programDir + QStringLiteral("/Data"); }

QByteArray ZelvanIni::defaultContent() const
{
    const PrinterFont font;
    QByteArray bytes;
    auto section = [&bytes](const QString& header, const QList<QByteArray>& values,
                            bool last = false) {
        bytes += crlf(toCp1251(header));
        for (const QByteArray& v : values)
            bytes += crlf(v);
        if (!last)
            bytes += "\r\n";
    };
    QList<QByteArray> options;
    for (qint16 o : kDefaultOptions)
        options.append(QByteArray::number(o));
    section(kDirData, {toCp1251(defaultDataDir())});
    section(kVisible, {"N"});
    section(kSystem, {"0"});
    section(kHub, {"Y"});
    section(kCommPort, {"1", "4800,n,8,1", "2", "4800,n,8,1"});
    section(kModuls, {"YYYYYYYY"});
    section(kOptions, options);
    section(kFontPrinter, {toCp1251(font.name), QByteArray::number(font.size), "0", "0"}, true);
    return bytes;
}

bool ZelvanIni::WriteDefaultConfig() const { return replaceWith(defaultContent()); }

bool ZelvanIni::replaceWith(const QByteArray& content) const
{
    m_error.clear();
    DurableFile file(path());
    if (file.replace(content, tmpPath()))
        return true;
    m_error = file.errorString();
    return false;
}

StartupConfig ZelvanIni::readStartup() const
{
    QString error;
    const QByteArray bytes = readFile(path(), &error);
    if (error.isEmpty())
        return startupFrom(bytes);
    StartupConfig config;
    config.DataDir = defaultDataDir();
    config.problems.append(config_texts::unreadable().arg(error));
    return config;
}

namespace {

// [Operators] is optional and keyed, unlike the positional sections:
// "IdleMinutes=n", minutes without an action before the operator is logged
// out, 0 for never. Without the section, 0.
int readIdleMinutes(const QList<IniLine>& lines, QStringList* problems)
{
    const QString header = QStringLiteral("[Operators]");
    const QString key = QStringLiteral("IdleMinutes");
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString text = lines[i].text.trimmed();
        if (looksLikeHeader(text)) {
            inSection = text.compare(header, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = text.indexOf(QLatin1Char('='));
        if (!inSection || eq < 0 || text.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        const QString value = text.mid(eq + 1).trimmed();
        bool ok = false;
        const int minutes = value.toInt(&ok);
        if (ok && minutes >= 0 && minutes <= 24 * 60)
            return minutes;
        if (problems)
            problems->append(config_texts::badValue().arg(header, key, value, QStringLiteral("0")));
        return 0;
    }
    return 0;
}

} // namespace

StartupConfig ZelvanIni::startupFrom(const QByteArray& bytes) const
{
    StartupConfig config;
    config.DataDir = defaultDataDir();
    const QList<IniLine> lines = splitIniLines(bytes);
    QStringList* problems = &config.problems;
    using Scan = SectionReader::HeaderScan;

    {
        SectionReader s(lines, kDirData, Scan::ByToken, problems);
        if (auto dir = s.token(config.DataDir)) {
            if (dir->isEmpty())
                s.bad(*dir, config.DataDir);
            else
                config.DataDir = *dir;
        }
    }
    {
        SectionReader s(lines, kSystem, Scan::ByToken, problems);
        if (auto no = s.integer(config.SystemNo, 0, 9))
            config.SystemNo = qint16(*no);
    }
    {
        SectionReader s(lines, kVisible, Scan::ByToken, problems);
        if (auto v = s.yesNo(config.ShowSystemZero))
            config.ShowSystemZero = *v;
    }
    {
        SectionReader s(lines, kHub, Scan::ByToken, problems);
        if (auto v = s.yesNo(config.HubMode))
            config.HubMode = *v;
    }
    {
        SectionReader s(lines, kCommPort, Scan::ByToken, problems);
        for (PortConfig& port : config.ports) {
            if (!s.found())
                break;
            if (auto t = s.token(port.token)) {
                if (t->startsWith(QLatin1Char('/')) || hasNumber(*t)) {
                    port.token = *t;
                } else {
                    // A port name ("COM1") has the numeric value 0: the port stays
                    // closed rather than opening whatever device the default names.
                    port.token = QStringLiteral("0");
                    s.bad(*t, port.token);
                }
            }
            if (auto settings = s.line(port.settings)) {
                if (settings->trimmed().isEmpty())
                    s.bad(*settings, port.settings);
                else
                    port.settings = *settings;
            }
        }
    }
    {
        SectionReader s(lines, kModuls, Scan::ByToken, problems);
        if (auto v = s.token(config.moduls))
            config.moduls = *v;
    }
    config.options = readOptionValues(lines, problems);
    config.operatorIdleMinutes = readIdleMinutes(lines, problems);
    return config;
}

std::array<qint16, 6> ZelvanIni::readOptions(QStringList* problems) const
{
    QString error;
    const QByteArray bytes = readFile(path(), &error);
    if (!error.isEmpty() && problems)
        problems->append(config_texts::unreadable().arg(error));
    return optionsFrom(bytes, error.isEmpty() ? problems : nullptr);
}

std::array<qint16, 6> ZelvanIni::optionsFrom(const QByteArray& bytes, QStringList* problems)
{
    return readOptionValues(splitIniLines(bytes), problems);
}

PrinterFont ZelvanIni::readPrinterFont(QStringList* problems) const
{
    QString error;
    const QByteArray bytes = readFile(path(), &error);
    if (!error.isEmpty() && problems)
        problems->append(config_texts::unreadable().arg(error));
    return printerFontFrom(bytes, error.isEmpty() ? problems : nullptr);
}

PrinterFont ZelvanIni::printerFontFrom(const QByteArray& bytes, QStringList* problems)
{
    return readFontValues(splitIniLines(bytes), problems);
}

bool ZelvanIni::SaveMenuOptions(const std::array<qint16, 6>& options, const PrinterFont& font) const
{
    m_error.clear();
    QString error;
    QByteArray bytes = readFile(path(), &error);
    if (!error.isEmpty()) {
        if (exists()) {
            m_error = path() + QStringLiteral(": ") + error;
            return false;
        }
        bytes = defaultContent(); // no file: the options go into a complete new one
    }
    return replaceWith(withMenuOptions(bytes, options, font));
}

QByteArray ZelvanIni::withMenuOptions(const QByteArray& bytes, const std::array<qint16, 6>& options,
                                      const PrinterFont& font)
{
    QList<QByteArray> optionLines;
    for (qint16 o : options)
        optionLines.append(QByteArray::number(o));
    const QList<QByteArray> fontLines{fontNameLine(font.name), QByteArray::number(font.size),
                                      QByteArray::number(font.bold ? 1 : 0),
                                      QByteArray::number(font.italic ? 1 : 0)};

    QList<IniLine> lines = splitIniLines(bytes);
    lines = rewriteSection(lines, kOptions, SectionReader::HeaderScan::ByToken, 6, optionLines);
    lines = rewriteSection(lines, kFontPrinter, SectionReader::HeaderScan::ByLine, 4, fontLines);
    return joinLines(lines);
}

} // namespace zelvan

#include "feed/FeedMessages.h"

#include "core/Cp1251.h"
#include "core/Labels.h"
#include "events/DayFile.h"
#include "feed/FeedTexts.h"

#include <QDate>
#include <charconv>
#include <optional>
#include <utility>

namespace zelvan {

namespace {

namespace texts = feed_texts;

QString kindText(QChar letter, const std::array<QString, 5>& captions)
{
    switch (letter.unicode()) {
    case u'P':
        return texts::taken();
    case u'O':
        return texts::released();
    case u'A':
        return texts::violated();
    case u'R':
        return texts::operatorSeen();
    case u'B':
        return texts::balanced();
    case u'N':
        return texts::boardOn();
    case u'F':
        return texts::boardOff();
    case u'S':
        return texts::systemStarted();
    case u'V':
        return texts::linkLost();
    case u'1':
    case u'2':
    case u'3':
    case u'4':
    case u'5':
        return captions[size_t(letter.unicode() - u'1')].trimmed();
    default:
        return {};
    }
}

// One event as a JSON object in UTF-8, built in a single buffer. Strings are
// escaped as JSON requires: the quote, the backslash and every control
// character below U+0020 (\b \f \n \r \t by name, the others as \u00XX);
// everything else goes out as its UTF-8 bytes.
class EventWriter
{
public:
    EventWriter()
    {
        m_out.reserve(kTypicalSize);
        m_out.append('{');
    }

    void text(const char* key, QStringView value)
    {
        name(key);
        string(value);
    }
    void number(const char* key, qint64 value)
    {
        name(key);
        std::array<char, 24> digits{};
        const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
        m_out.append(digits.data(), end - digits.data());
    }
    // "20yy-mm-ddThh:mm:ss", local time, from the day file's name and the
    // record's second of the day; the date part empty when `day` is not a date.
    void time(const char* key, QStringView day, int secondOfDay)
    {
        name(key);
        m_out.append('"');
        if (isDate(day)) {
            m_out.append("20");
            m_out.append(day.toLatin1());
        }
        const int s = secondOfDay % kSecondsPerDay;
        const std::array<int, 3> parts{s / 3600, s / 60 % 60, s % 60};
        m_out.append('T');
        for (size_t i = 0; i < parts.size(); ++i) {
            if (i > 0)
                m_out.append(':');
            m_out.append(char('0' + parts[i] / 10));
            m_out.append(char('0' + parts[i] % 10));
        }
        m_out.append('"');
    }
    QByteArray finish()
    {
        m_out.append('}');
        return std::move(m_out);
    }

private:
    static constexpr qsizetype kTypicalSize = 256;
    static constexpr int kSecondsPerDay = 86400;

    // "yy-mm-dd" naming a real day (of 20yy).
    static bool isDate(QStringView day)
    {
        if (day.size() != 8 || day[2] != u'-' || day[5] != u'-')
            return false;
        const auto two = [day](qsizetype at) {
            const QChar a = day[at];
            const QChar b = day[at + 1];
            if (a < u'0' || a > u'9' || b < u'0' || b > u'9')
                return -1;
            return (a.unicode() - u'0') * 10 + (b.unicode() - u'0');
        };
        const int y = two(0);
        const int m = two(3);
        const int d = two(6);
        return y >= 0 && m >= 0 && d >= 0 && QDate(2000 + y, m, d).isValid();
    }

    void name(const char* key)
    {
        if (m_out.size() > 1)
            m_out.append(',');
        m_out.append('"');
        m_out.append(key);
        m_out.append("\":");
    }

    void string(QStringView s)
    {
        m_out.append('"');
        qsizetype i = 0;
        while (i < s.size()) {
            const char16_t c = s[i].unicode();
            if (c >= 0x80) {
                // A run of non-ASCII characters at once (surrogate pairs kept whole).
                qsizetype end = i + 1;
                while (end < s.size() && s[end].unicode() >= 0x80)
                    ++end;
                m_out.append(s.sliced(i, end - i).toUtf8());
                i = end;
                continue;
            }
            escaped(char(c));
            ++i;
        }
        m_out.append('"');
    }

    void escaped(char c)
    {
        switch (c) {
        case '"':
            m_out.append("\\\"");
            return;
        case '\\':
            m_out.append("\\\\");
            return;
        case '\b':
            m_out.append("\\b");
            return;
        case '\f':
            m_out.append("\\f");
            return;
        case '\n':
            m_out.append("\\n");
            return;
        case '\r':
            m_out.append("\\r");
            return;
        case '\t':
            m_out.append("\\t");
            return;
        default:
            break;
        }
        if (static_cast<unsigned char>(c) < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            m_out.append("\\u00");
            m_out.append(kHex[(c >> 4) & 0xf]);
            m_out.append(kHex[c & 0xf]);
            return;
        }
        m_out.append(c);
    }

    QByteArray m_out;
};

} // namespace

FeedMessages::FeedMessages(QString prefix, const StationState& state)
    : m_prefix(std::move(prefix)), m_state(state)
{
}

QString FeedMessages::objectTopic(int k) const
{
    return m_prefix + QStringLiteral("/object/") + QString::number(k) + QStringLiteral("/state");
}

QString FeedMessages::moduleTopic(int m) const
{
    return m_prefix + QStringLiteral("/module/") + QString::number(m) + QStringLiteral("/link");
}

QByteArray FeedMessages::event(const TailRecord& record, const QString& name,
                               const std::array<QString, 5>& captions) const
{
    // Written by hand, keys in the order a reader of the feed expects them:
    // one allocation a record instead of a JSON tree of Qt's.
    EventWriter o;
    o.text("day", record.after.day);
    o.number("line", record.line());
    // The line as the station wrote it, damaged or not: in cp1251, as every
    // other text of the station's files.
    o.text("record", fromCp1251(record.text));
    const std::optional<DayRecord> r = parseDayRecord(record.text);
    const QString kind = r ? kindText(r->letter, captions) : QString();
    if (!r || kind.isEmpty())
        return o.finish();
    o.time("time", record.after.day, r->secondOfDay());
    o.number("object", r->k);
    const bool object = r->k >= 1 && r->k <= kObjectCount;
    const int module = object ? (r->k - 1) / kObjectsPerModule + 1 : qMax(r->module, 0);
    o.number("module", module);
    o.number("number", object ? (r->k - 1) % kObjectsPerModule + 1 : 0);
    o.text("label", object ? FormatObjectLabel(m_state, r->k) : ModuleLabel(m_state, module));
    o.text("name", object ? QStringView(name) : QStringView());
    const QChar letter = r->letter;
    o.text("letter", QStringView(&letter, 1));
    o.text("text", kind);
    return o.finish();
}

int FeedMessages::stateOfWord(const QByteArray& word)
{
    for (const int code : {int(Released), int(Taken), int(Violated), int(TakeRequested)}) {
        if (word == objectState(code))
            return code;
    }
    return -1;
}

QByteArray FeedMessages::objectState(int code)
{
    switch (code) {
    case Released:
        return "released";
    case Taken:
        return "taken";
    case Violated:
        return "violated";
    case TakeRequested:
        return "take_requested";
    default:
        return {};
    }
}

QString FeedMessages::lastRecordTopic(int k) const
{
    return m_prefix + QStringLiteral("/object/") + QString::number(k) + QStringLiteral("/last");
}

QString FeedMessages::ignoredCommandTopic(int k) const
{
    return m_prefix + QStringLiteral("/object/") + QString::number(k)
           + QStringLiteral("/command_ignored");
}

} // namespace zelvan

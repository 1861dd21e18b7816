#include "windows/ObjectHistory.h"

#include "core/Addressing.h"
#include "core/Clock.h"
#include "core/InformationFile.h"
#include "core/Labels.h"
#include "core/NumericText.h"
#include "core/ObjectFiles.h"
#include "core/ReasonText.h"
#include "core/StationState.h"
#include "events/DayArchive.h"
#include "events/DayFile.h"
#include "windows/WindowTexts.h"

#include <QDir>

namespace zelvan {

namespace texts = windowtexts;

namespace {

// The line's characters from position `from` (1-based), `count` of them, read as
// a whole number; nothing when the value is not a small integer.
std::optional<int> numberAt(const QString& line, int from, int count)
{
    const auto value = toInt16(numericValue(QStringView(line).mid(from - 1, count)));
    if (!value)
        return std::nullopt;
    return int(*value);
}

bool isObjectEventCode(QChar c)
{
    // "O" and "H" are Latin letters; "П", "И", "В" are Cyrillic.
    static const QString codes = QStringLiteral("OHПИВ>");
    return codes.contains(c);
}

} // namespace

ObjectHistory::ObjectHistory(const StationState& state, const ObjectFiles& files,
                             const Clock& clock)
    : m_state(state), m_files(files), m_clock(clock)
{
}

std::optional<int> ObjectHistory::objectOfLine(ListSource source, const QString& line)
{
    int modulePos = 3;
    int numberPos = 5;
    if (source == ListSource::Events) {
        if (line.isEmpty() || !isObjectEventCode(line.front()))
            return std::nullopt;
        modulePos = 14;
        numberPos = 16;
    }
    const auto m = numberAt(line, modulePos, 1);
    const auto n = numberAt(line, numberPos, 3);
    if (!m || !n || !isModule(*m) || !isObjectNo(*n))
        return std::nullopt;
    return globalIndex(*m, *n);
}

HistoryView ObjectHistory::build(int k, ListSource source) const
{
    const QDate today = m_clock.now().date();
    const QDate yesterday = today.addDays(-1);
    HistoryView view;
    view.k = k;
    view.label = MenuObjectLabel(m_state, k) + QStringLiteral("  ") + m_files.name(k);
    view.information = information(k);
    view.todayCaption = texts::todayPrefix() + dayAndMonth(today);
    view.yesterdayCaption = texts::yesterdayPrefix() + dayAndMonth(yesterday);
    // Only the violations window writes today's missing archive without the year.
    view.today = dayText(k, today, source != ListSource::Violations);
    view.yesterday = dayText(k, yesterday, true);
    return view;
}

QString ObjectHistory::informationPath(int k) const
{
    return InformationFile(m_files.dataDir(), k).path();
}

QString ObjectHistory::information(int k) const
{
    InformationFile file(m_files.dataDir(), k);
    if (!file.exists())
        return texts::noInformation();
    const std::optional<QString> text = file.read();
    if (!text)
        return withReason(InformationFile::unreadableNotice(), file.errorString());
    return *text;
}

QString ObjectHistory::dayText(int k, const QDate& date, bool withYear) const
{
    DayFileReader reader(QDir(m_files.dataDir()).filePath(DayArchive::dayFileName(date)));
    QString when = dayAndMonth(date);
    if (withYear)
        when += QLatin1Char(' ') + QString::number(date.year()) + texts::yearSuffix();
    if (!reader.exists())
        return texts::noArchivePrefix() + when + texts::crlf() + texts::crlf();
    if (!reader.open()) {
        return withReason(texts::unreadableArchivePrefix() + when, reader.errorString())
               + texts::crlf() + texts::crlf();
    }
    QString text;
    DayRecord record;
    while (reader.next(record)) {
        if (record.k != k)
            continue;
        if (text.size() > kTextLimit)
            break; // every later record would be skipped as well
        text += historyLine(k, record);
    }
    // The records read stay; the operator sees that the day goes on unread.
    if (reader.failed()) {
        text +=
            withReason(texts::brokenArchivePrefix() + when, reader.errorString()) + texts::crlf();
    }
    reader.close();
    return text;
}

QString ObjectHistory::historyLine(int k, const DayRecord& record) const
{
    QString what;
    const char16_t letter = record.letter.unicode();
    switch (letter) {
    case u'P':
        what = texts::takenText();
        break;
    case u'O':
        what = texts::releasedText();
        break;
    case u'A':
        what = texts::violatedText();
        break;
    case u'R':
        what = texts::operatorText();
        break;
    case u'B':
        what = texts::balancedText();
        break;
    case u'N':
        what = texts::boardOnText();
        break;
    case u'F':
        what = texts::boardOffText();
        break;
    case u'1':
    case u'2':
    case u'3':
    case u'4':
    case u'5':
        what = texts::boardSignalPrefix() + m_files.kavelCaption(k, letter - u'0');
        break;
    default:
        return texts::crlf();
    }
    return record.timeText() + what + texts::crlf();
}

QString ObjectHistory::dayAndMonth(const QDate& date) const
{
    const int month = date.month();
    const QString name = month >= 1 && month <= 12 ? m_state.MonthName[size_t(month)] : QString();
    return date.toString(QStringLiteral("dd")) + QLatin1Char(' ') + name;
}

} // namespace zelvan

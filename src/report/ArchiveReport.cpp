#include "report/ArchiveReport.h"

#include "core/Addressing.h"
#include "core/Labels.h"
#include "core/ObjectFiles.h"
#include "core/ReasonText.h"
#include "events/DayFile.h"
#include "report/ReportPeriod.h"
#include "report/ReportRequest.h"
#include "report/ReportTexts.h"
#include "report/ReportWalker.h"

namespace zelvan {

using namespace ReportTexts;

namespace {

// The report text under construction, with the size limit checked before each
// heading and each line.
class ReportBuffer
{
public:
    explicit ReportBuffer(QString& text) : m_text(text)
    {
        m_text.clear();
        m_text.reserve(ArchiveReport::kLimit + 1024);
    }
    bool full() const { return m_text.size() > ArchiveReport::kLimit; }
    void appendLine(const QString& line)
    {
        m_text += line;
        m_text += kLineEnd;
    }
    void appendEmptyLine() { m_text += kLineEnd; }
    void endWithLimit()
    {
        m_text += kLineEnd;
        m_text += kTooLarge;
        m_text += kLineEnd;
        m_text += kContinueFrom;
    }

private:
    QString& m_text;
};

} // namespace

ArchiveReport::ArchiveReport(const StationState& state, const ObjectFiles& files)
    : m_state(state), m_files(files)
{
}

QString ArchiveReport::kindPhrase(bool taken, bool violations)
{
    if (taken && violations)
        return kTakenAndViolationsPhrase;
    if (taken)
        return kTakenPhrase;
    if (violations)
        return kViolationsPhrase;
    return {};
}

QString ArchiveReport::systemPart() const
{
    return m_state.showSystemPrefix() ? QString::number(m_state.SystemNo) : QStringLiteral(" ");
}

QString ArchiveReport::recordLine(const DayRecord& record, const ReportRequest& request) const
{
    if (!ReportWalker::reports(record, request))
        return {};
    const char16_t letter = record.letter.unicode();
    const QString time = record.timeText();

    if (letter == u'S' || letter == u'V') {
        const QString module = kModule + systemPart() + QString::number(record.module);
        return time + (letter == u'S' ? kSystemStarted : kLinkLost) + module;
    }

    const QString prefix = time + QStringLiteral("  ") + MenuObjectLabel(m_state, record.k);
    switch (letter) {
    case u'P':
        return prefix + kTaken + request.shortName(record.k);
    case u'O':
        return prefix + kReleased + request.shortName(record.k);
    case u'A':
        return prefix + kViolated + request.shortName(record.k);
    case u'R':
        return prefix + kOperator + request.shortName(record.k);
    case u'B':
        return prefix + kBalanced + request.shortName(record.k);
    case u'N':
        return prefix + kSwitchedOn;
    case u'F':
        return prefix + kSwitchedOff;
    default: // board signals 1..5
        return prefix + kSignal + m_files.kavelCaption(record.k, letter - u'0');
    }
}

ArchiveReportResult ArchiveReport::build(ReportPeriod& period, const ReportRequest& request,
                                         const Progress& progress) const
{
    ArchiveReportResult result;
    result.hoursSwapped = period.swapHoursIfReversed();
    const ReportScope scope = ReportScope::of(period);
    ReportWalker walker(m_files.dataDir(), scope, request);
    ReportBuffer buffer(result.text);

    const auto dayText = [this](const QDate& day) {
        return QString::number(day.day()) + QLatin1Char(' ')
               + m_state.MonthName[static_cast<size_t>(day.month())] + QLatin1Char(' ')
               + QString::number(day.year()) + kYearSuffix;
    };
    const QString phrase = kindPhrase(request.Check8, request.Check9);
    bool daysDone = false;
    const auto announceDay = [&](const QDate& day) {
        if (progress)
            progress(int(scope.first.daysTo(day)), scope.dayCount());
    };
    const auto announceDaysDone = [&] {
        if (progress && !daysDone)
            progress(scope.dayCount(), scope.dayCount());
        daysDone = true;
    };

    // Each heading and each line is appended only while the text is under the
    // limit; past it the report ends with the limit lines and the walk (with
    // the day file it may hold open) is dropped.
    ReportItem item;
    while (walker.next(item)) {
        QString line;
        switch (item.kind) {
        case ReportItem::DayMissing:
            announceDay(item.day);
            if (buffer.full())
                break;
            buffer.appendLine(kNoArchive + dayText(item.day));
            buffer.appendEmptyLine();
            continue;
        case ReportItem::DayBegins:
            announceDay(item.day);
            if (buffer.full())
                break;
            buffer.appendLine(kArchiveFor + phrase + dayText(item.day));
            continue;
        case ReportItem::DayUnreadable:
            line = withReason(kUnreadableArchive, item.reason);
            break;
        case ReportItem::DayBroken:
            line = withReason(kBrokenArchive, item.reason);
            break;
        case ReportItem::Record:
            line = recordLine(item.record, request);
            break;
        case ReportItem::DayEnds:
            buffer.appendEmptyLine();
            continue;
        case ReportItem::NotTakenBegins:
            announceDaysDone();
            buffer.appendLine(kNotTakenHeading);
            continue;
        case ReportItem::NotTaken:
            line = MenuObjectLabel(m_state, item.record.k) + kNotTaken
                   + request.shortName(item.record.k);
            break;
        case ReportItem::NotTakenEnds:
            buffer.appendEmptyLine();
            continue;
        }
        if (buffer.full()) {
            buffer.endWithLimit();
            result.limitReached = true;
            return result;
        }
        buffer.appendLine(line);
    }
    announceDaysDone();
    return result;
}

} // namespace zelvan

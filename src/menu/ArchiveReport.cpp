#include "menu/ArchiveReport.h"

#include "core/Addressing.h"
#include "core/Labels.h"
#include "core/ObjectFiles.h"
#include "events/DayArchive.h"
#include "events/DayFile.h"
#include "menu/ReportPeriod.h"
#include "menu/ReportRequest.h"
#include "menu/ReportTexts.h"

#include <QDir>
#include <vector>

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

QString ArchiveReport::dayFilePath(int year, int month, int day) const
{
    return QDir(m_files.dataDir()).filePath(DayArchive::dayFileName(QDate(year, month, day)));
}

QString ArchiveReport::recordLine(const DayRecord& record, const ReportRequest& request) const
{
    const char16_t letter = record.letter.unicode();
    const QString time = record.timeText();

    if (letter == u'S' || letter == u'V') {
        // Module records name their module by the digit after the time field;
        // a record without a module digit 1..8 names no module and gives nothing.
        if (record.module < 1 || record.module > kModuleCount)
            return {};
        const QString module = kModule + systemPart() + QString::number(record.module);
        return time + (letter == u'S' ? kSystemStarted : kLinkLost) + module;
    }

    // Every other letter concerns an object.
    if (!isObject(record.k))
        return {};
    const QString prefix = time + QStringLiteral("  ") + MenuObjectLabel(m_state, record.k);
    switch (letter) {
    case u'P':
        return request.Check8 ? prefix + kTaken + request.shortName(record.k) : QString();
    case u'O':
        return request.Check8 ? prefix + kReleased + request.shortName(record.k) : QString();
    case u'A':
        return request.Check9 ? prefix + kViolated + request.shortName(record.k) : QString();
    case u'R':
        return request.Check9 ? prefix + kOperator + request.shortName(record.k) : QString();
    case u'B':
        return request.Check13 ? prefix + kBalanced + request.shortName(record.k) : QString();
    case u'N':
        return request.Check8 ? prefix + kSwitchedOn : QString();
    case u'F':
        return request.Check8 ? prefix + kSwitchedOff : QString();
    case u'1':
    case u'2':
    case u'3':
    case u'4':
    case u'5':
        return request.Check8 ? prefix + kSignal + m_files.kavelCaption(record.k, letter - u'0')
                              : QString();
    default:
        return {};
    }
}

ArchiveReportResult ArchiveReport::build(ReportPeriod& period, const ReportRequest& request,
                                         const Progress& progress) const
{
    ArchiveReportResult result;
    result.hoursSwapped = period.swapHoursIfReversed();
    const int start = period.startFraction();
    const int end = period.endFraction();
    const int fromDay = period.FromDay();
    const int toDay = period.ToDay();
    const int month = period.ReportMonth();
    const int year = period.ReportYear();
    const int dayCount = toDay - fromDay + 1;

    std::vector<bool> notTaken(kObjectCount + 1, true);
    ReportBuffer buffer(result.text);
    const auto endWithLimit = [&]() {
        buffer.endWithLimit();
        result.limitReached = true;
        return result;
    };

    const QString phrase = kindPhrase(request.Check8, request.Check9);
    const QString monthAndYear = QLatin1Char(' ') + m_state.MonthName[static_cast<size_t>(month)]
                                 + QLatin1Char(' ') + QString::number(year) + kYearSuffix;

    for (int d = fromDay; d <= toDay; ++d) {
        if (progress)
            progress(d - fromDay, dayCount);
        if (buffer.full())
            return endWithLimit();
        DayFileReader reader(dayFilePath(year, month, d));
        if (!reader.exists()) {
            buffer.appendLine(kNoArchive + QString::number(d) + monthAndYear);
            buffer.appendEmptyLine();
            continue;
        }
        buffer.appendLine(kArchiveFor + phrase + QString::number(d) + monthAndYear);
        const bool opened = reader.open();
        if (opened) {
            DayRecord record;
            while (reader.next(record)) {
                if (record.k > kObjectCount)
                    continue;
                if (record.k > 0 && !request.isSelected(record.k - 1))
                    continue;
                if ((d == fromDay && record.fraction < start)
                    || (d == toDay && record.fraction > end))
                    continue;
                if (record.letter == u'P' && record.k > 0)
                    notTaken[static_cast<size_t>(record.k)] = false;
                const QString line = recordLine(record, request);
                if (line.isEmpty())
                    continue;
                if (buffer.full()) {
                    reader.close();
                    return endWithLimit();
                }
                buffer.appendLine(line);
            }
        }
        if (reader.failed()) {
            const QString reason = reader.errorString();
            buffer.appendLine(
                (opened ? kBrokenArchive : kUnreadableArchive)
                + (reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reason)));
        }
        reader.close();
        buffer.appendEmptyLine();
    }
    if (progress)
        progress(dayCount, dayCount);

    if (request.Check10) {
        buffer.appendLine(kNotTakenHeading);
        for (int k = 1; k <= kObjectCount; ++k) {
            if (!request.isSelected(k - 1) || !notTaken[static_cast<size_t>(k)])
                continue;
            const QString line = MenuObjectLabel(m_state, k) + kNotTaken + request.shortName(k);
            if (buffer.full())
                return endWithLimit();
            buffer.appendLine(line);
        }
        buffer.appendEmptyLine();
    }
    return result;
}

} // namespace zelvan

#pragma once

#include "core/StationState.h"

#include <QString>
#include <functional>

namespace zelvan {

class ObjectFiles;
class ReportPeriod;
class ReportRequest;
struct DayRecord;

// The result of one report run.
struct ArchiveReportResult
{
    QString text;              // the whole report, lines ended by CR LF
    bool limitReached = false; // ended with the two "too large" lines
    bool hoursSwapped = false; // FromHour and ToHour were swapped (labels to refresh)
};

// Builds the archive report of a period from the day files in the data
// directory: a heading or a "no archive" line per day, one line per chosen
// record, and optionally the objects never taken in the period. The text is
// kept under kLimit characters; past it the report ends with the two limit
// lines and nothing further is read.
class ArchiveReport
{
public:
    static constexpr int kLimit = 56000;

    // Called before each day file is read: (days done, days in the period).
    using Progress = std::function<void(int done, int total)>;

    ArchiveReport(const StationState& state, const ObjectFiles& files);

    // One run. Swaps the period's hours when the period lies in one day and
    // ends before it starts.
    ArchiveReportResult build(ReportPeriod& period, const ReportRequest& request,
                              const Progress& progress = {}) const;

    // Day heading kind phrase for the two kind boxes.
    static QString kindPhrase(bool taken, bool violations);
    // The line a record gives by its letter and the kind boxes, empty when it
    // gives none. The period and the selection are not applied here.
    QString recordLine(const DayRecord& record, const ReportRequest& request) const;

private:
    QString systemPart() const;

    const StationState& m_state;
    const ObjectFiles& m_files;
};

} // namespace zelvan

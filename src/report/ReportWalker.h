#pragma once

#include "events/DayFile.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

namespace zelvan {

class ReportPeriod;
class ReportRequest;

// The days and hours a report covers: from `start` on the first day to `end`
// on the last day, both in millionths of the day (the unit of the day files).
struct ReportScope
{
    QDate first;
    QDate last;
    int start = 0;
    int end = 0;

    static ReportScope of(const ReportPeriod& period);
    int dayCount() const
    {
        return first.isValid() && last >= first ? int(first.daysTo(last)) + 1 : 0;
    }
};

// One step of a report, in the order the report shows it.
struct ReportItem
{
    enum Kind
    {
        DayMissing,    // the day has no day file
        DayBegins,     // the day file exists; its records follow
        DayUnreadable, // the day file exists but could not be opened (reason)
        Record,        // a record the request reports
        DayBroken,     // reading the day file broke off after the records given (reason)
        DayEnds,       // the day file is read and closed
        NotTakenBegins,
        NotTaken, // an object of the selection never taken in the period (record.k)
        NotTakenEnds,
    };
    Kind kind = DayMissing;
    QDate day;        // the day of a day item or a record
    DayRecord record; // Record: the record; NotTaken: record.k names the object
    QString reason;   // DayUnreadable, DayBroken: the system's words for the failure
};

// Walks the day files of a scope and yields, in order, what the archive
// report shows: each day's file or its absence, the records that the
// selection, the hours window and the kind boxes let through, and at the end
// the objects never taken. The text report and the spreadsheet export both
// read the archive through it, so one reading of the rules serves both. A day
// file is open only between its DayBegins and its DayEnds.
class ReportWalker
{
public:
    ReportWalker(QString dataDir, const ReportScope& scope, const ReportRequest& request);

    // The next item; false when the walk is over.
    bool next(ReportItem& item);
    // Days whose files have been read to their end (or found missing).
    int daysDone() const { return m_daysDone; }
    int dayCount() const { return m_scope.dayCount(); }

    // Whether a record is reported by the kind boxes: a module record (S, V)
    // naming a module 1..8 always, an object record of an object 1..1024 when
    // the box of its letter is checked, any other letter never.
    static bool reports(const DayRecord& record, const ReportRequest& request);

private:
    enum class Phase
    {
        NextDay,
        InDay,
        NotTakenHeading,
        NotTakenList,
        NotTakenEnd,
        Done
    };
    bool readRecord(DayRecord& record);

    QString m_dataDir;
    ReportScope m_scope;
    const ReportRequest& m_request;
    Phase m_phase = Phase::NextDay;
    QDate m_day;
    int m_daysDone = 0;
    std::optional<DayFileReader> m_reader;
    bool m_unreadable = false;
    bool m_brokenTold = false;
    int m_nextObject = 1;
    std::vector<bool> m_notTaken;
};

} // namespace zelvan

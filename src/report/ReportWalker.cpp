#include "report/ReportWalker.h"

#include "core/Addressing.h"
#include "events/DayArchive.h"
#include "report/ReportPeriod.h"
#include "report/ReportRequest.h"

#include <QDir>

namespace zelvan {

ReportScope ReportScope::of(const ReportPeriod& period)
{
    const int year = period.ReportYear();
    const int month = period.ReportMonth();
    return ReportScope{QDate(year, month, period.FromDay()), QDate(year, month, period.ToDay()),
                       period.startFraction(), period.endFraction()};
}

ReportWalker::ReportWalker(QString dataDir, const ReportScope& scope, const ReportRequest& request)
    : m_dataDir(std::move(dataDir)), m_scope(scope), m_request(request), m_day(scope.first),
      m_notTaken(kObjectCount + 1, true)
{
    if (m_scope.dayCount() == 0)
        m_phase = m_request.Check10 ? Phase::NotTakenHeading : Phase::Done;
}

bool ReportWalker::reports(const DayRecord& record, const ReportRequest& request)
{
    switch (record.letter.unicode()) {
    case u'S':
    case u'V':
        // A module record names its module by the digit after the time field;
        // one without a module digit 1..8 names no module.
        return isModule(record.module);
    case u'P':
    case u'O':
    case u'N':
    case u'F':
    case u'1':
    case u'2':
    case u'3':
    case u'4':
    case u'5':
        return isObject(record.k) && request.Check8;
    case u'A':
    case u'R':
        return isObject(record.k) && request.Check9;
    case u'B':
        return isObject(record.k) && request.Check13;
    default:
        return false;
    }
}

// The next record of the open day file that the request reports. Every record
// inside the selection and the hours window counts for the not-taken list,
// whatever the kind boxes say.
bool ReportWalker::readRecord(DayRecord& record)
{
    const bool firstDay = m_day == m_scope.first;
    const bool lastDay = m_day == m_scope.last;
    while (m_reader->next(record)) {
        if (record.k > kObjectCount)
            continue;
        if (record.k > 0 && !m_request.isSelected(record.k - 1))
            continue;
        if ((firstDay && record.fraction < m_scope.start)
            || (lastDay && record.fraction > m_scope.end))
            continue;
        if (record.letter == u'P' && record.k > 0)
            m_notTaken[size_t(record.k)] = false;
        if (reports(record, m_request))
            return true;
    }
    return false;
}

bool ReportWalker::next(ReportItem& item)
{
    item = ReportItem();
    switch (m_phase) {
    case Phase::NextDay: {
        item.day = m_day;
        m_reader.emplace(QDir(m_dataDir).filePath(DayArchive::dayFileName(m_day)));
        if (!m_reader->exists()) {
            m_reader.reset();
            item.kind = ReportItem::DayMissing;
            ++m_daysDone;
            m_day = m_day.addDays(1);
            if (m_day > m_scope.last)
                m_phase = m_request.Check10 ? Phase::NotTakenHeading : Phase::Done;
            return true;
        }
        item.kind = ReportItem::DayBegins;
        m_phase = Phase::InDay;
        // A file that cannot be opened is told right after its heading; the
        // day then ends.
        m_unreadable = !m_reader->open();
        m_brokenTold = false;
        return true;
    }
    case Phase::InDay:
        item.day = m_day;
        if (m_unreadable) {
            m_unreadable = false;
            m_brokenTold = true; // nothing was read to break off
            item.kind = ReportItem::DayUnreadable;
            item.reason = m_reader->errorString();
            return true;
        }
        if (readRecord(item.record)) {
            item.kind = ReportItem::Record;
            return true;
        }
        // A read that failed on the way: the records given are not all the
        // day holds, and that is told before the day ends.
        if (m_reader->failed() && !m_brokenTold) {
            m_brokenTold = true;
            item.kind = ReportItem::DayBroken;
            item.reason = m_reader->errorString();
            return true;
        }
        m_reader.reset();
        item.kind = ReportItem::DayEnds;
        ++m_daysDone;
        m_day = m_day.addDays(1);
        m_phase = m_day > m_scope.last ? (m_request.Check10 ? Phase::NotTakenHeading : Phase::Done)
                                       : Phase::NextDay;
        return true;
    case Phase::NotTakenHeading:
        item.kind = ReportItem::NotTakenBegins;
        m_phase = Phase::NotTakenList;
        return true;
    case Phase::NotTakenList:
        for (; m_nextObject <= kObjectCount; ++m_nextObject) {
            const int k = m_nextObject;
            if (m_request.isSelected(k - 1) && m_notTaken[size_t(k)]) {
                ++m_nextObject;
                item.kind = ReportItem::NotTaken;
                item.record.k = k;
                return true;
            }
        }
        m_phase = Phase::NotTakenEnd;
        [[fallthrough]];
    case Phase::NotTakenEnd:
        item.kind = ReportItem::NotTakenEnds;
        m_phase = Phase::Done;
        return true;
    case Phase::Done:
        return false;
    }
    return false;
}

} // namespace zelvan

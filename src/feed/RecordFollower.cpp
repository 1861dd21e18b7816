#include "feed/RecordFollower.h"

#include "core/Clock.h"
#include "core/Logging.h"
#include "events/DayArchive.h"
#include "feed/FeedTexts.h"

#include <QDate>
#include <QFileInfo>

namespace zelvan {

namespace {

QString dayOf(const QDate& date) { return DayArchive::dayFileName(date).left(8); }

bool before(const FeedPosition& a, const FeedPosition& b)
{
    return a.day < b.day || (a.day == b.day && a.offset < b.offset);
}

} // namespace

RecordFollower::RecordFollower(DayArchive& archive, const Clock& clock, QString cursorPath,
                               QObject* parent)
    : QObject(parent), m_archive(archive), m_clock(clock), m_tail(archive.dataDir()),
      m_cursorFile(std::move(cursorPath))
{
    m_save.setInterval(kSaveMs);
    connect(&m_save, &QTimer::timeout, this, &RecordFollower::saveCursor);
}

RecordFollower::~RecordFollower() { saveCursor(); }

QString RecordFollower::start()
{
    // What is in the day files at start is on the disk as far as it goes:
    // the archive syncs every record before its handler returns. A day file
    // dated after today (left by a clock that was wrong) is not the newest
    // day: it is read when its day comes.
    m_syncedDay = m_tail.lastDayUpTo(dayOf(m_clock.now().date()));
    m_syncedSize = m_syncedDay.isEmpty() ? 0 : QFileInfo(m_tail.path(m_syncedDay)).size();
    QString problem = loadCursor();
    m_next = m_cursor;
    connect(&m_archive, &DayArchive::daySynced, this, &RecordFollower::onDaySynced);
    m_save.start();
    return problem;
}

QString RecordFollower::loadCursor()
{
    const std::optional<FeedPosition> saved = m_cursorFile.load();
    if (!saved) {
        // First start: from the beginning of the last day file.
        m_cursor = FeedPosition{m_syncedDay, 0, 0};
        return {};
    }
    m_cursor = *saved;
    // The cursor must end a line of its file; past the end, or inside a
    // line, the file is not the one the cursor was saved for (replaced or
    // restored). Its day is sent again from its first line, and the operator
    // is told, rather than numbering its lines from a wrong place.
    const bool fits = QFileInfo(m_tail.path(m_cursor.day)).size() >= m_cursor.offset
                      && m_tail.startsLine(m_cursor);
    if (fits)
        return {};
    QString text = feed_texts::cursorMismatch().arg(m_cursorFile.path(), m_tail.path(m_cursor.day),
                                                    QString::number(m_cursor.line));
    m_cursor.line = 0;
    m_cursor.offset = 0;
    m_cursorDirty = true;
    return text;
}

void RecordFollower::saveCursor()
{
    if (!m_cursorDirty)
        return;
    if (m_cursorFile.save(m_cursor))
        m_cursorDirty = false;
    else
        qCWarning(lcApp).noquote() << "cursor not saved:" << m_cursorFile.errorString();
}

std::vector<TailRecord> RecordFollower::read(int max, QString* error)
{
    while (max > 0 && !m_next.day.isEmpty() && m_next.day <= m_syncedDay) {
        const qint64 limit = m_next.day == m_syncedDay ? m_syncedSize : -1;
        std::vector<TailRecord> batch = m_tail.read(m_next, limit, max, error);
        if (!batch.empty() || (error && !error->isEmpty()))
            return batch;
        if (m_next.day == m_syncedDay)
            return {}; // up to date
        const QString after = m_tail.dayAfter(m_next.day);
        if (after.isEmpty() || after > m_syncedDay)
            return {};
        m_left = m_next;
        m_next = FeedPosition{after, 0, 0};
        // A later day acknowledged before the clock went back goes on from
        // where it was acknowledged, not again from its first line.
        // Kept until reading passes that day: the clock may go back again
        // before the cursor gets there.
        if (after == m_laterAcked.day && m_tail.startsLine(m_laterAcked))
            m_next = m_laterAcked;
        else if (after > m_laterAcked.day)
            m_laterAcked = {};
        if (m_window.empty()) {
            // Nothing of the finished day waits: the cursor moves on with it.
            m_cursor = m_next;
            m_cursorDirty = true;
        }
    }
    return {};
}

void RecordFollower::sent(int id, const TailRecord& record)
{
    m_window.sent(id, record.after);
    m_next = record.after;
}

bool RecordFollower::acknowledge(int id)
{
    const std::optional<FeedPosition> passed = m_window.acknowledge(id);
    if (!passed)
        return false;
    m_cursor = *passed;
    m_cursorDirty = true;
    return true;
}

void RecordFollower::sendAgain()
{
    m_window.clear();
    m_next = m_cursor;
}

void RecordFollower::moveTo(const FeedPosition& to)
{
    m_window.clear();
    m_laterAcked = {};
    m_cursor = m_next = to;
    m_cursorDirty = true;
}

bool RecordFollower::caughtUp() const
{
    return m_window.empty() && m_next.day == m_syncedDay && m_next.offset >= m_syncedSize;
}

void RecordFollower::onDaySynced(const QDate& date)
{
    const QString day = dayOf(date);
    if (!m_next.day.isEmpty() && day < m_next.day) {
        // The clock went back across midnight and records were added to a
        // day already finished: reading goes back to where that day was left
        // (its start, for an older day), or to the cursor when records before
        // that still wait for their acknowledgement, and on from there. The
        // later day then goes on from where it was acknowledged: sent again
        // whole after each record of the earlier day, it would reach a
        // receiving centre as the same alarms over and over. What was in
        // flight goes out again; a receiver drops it by (day, line).
        qCInfo(lcApp).noquote() << "records added to" << day << "behind the cursor" << m_next.day;
        m_window.clear();
        if (const FeedPosition to = day == m_left.day ? m_left : FeedPosition{day, 0, 0};
            before(to, m_cursor)) {
            if (m_cursor.day > day && before(m_laterAcked, m_cursor))
                m_laterAcked = m_cursor;
            m_cursor = to;
            m_cursorDirty = true;
        }
        m_next = m_cursor;
    }
    if (day >= m_syncedDay) {
        m_syncedDay = day;
        m_syncedSize = QFileInfo(m_tail.path(day)).size();
    }
    if (m_next.day.isEmpty())
        m_next = m_cursor = FeedPosition{day, 0, 0};
    emit recordsSynced();
}

} // namespace zelvan

#pragma once

#include "feed/AckWindow.h"
#include "feed/DayFileTail.h"
#include "feed/FeedCursor.h"

#include <QObject>
#include <QTimer>
#include <vector>

class QDate;

namespace zelvan {

class Clock;
class DayArchive;

// Follows the day records for one reader that sends them on (the MQTT feed,
// the forwarder to a receiving centre) from a durable cursor of its own.
//
// The day files are the log: records are read onward in batches, only as far
// as the archive has synced them, and a record counts as passed once it and
// every record sent before it were acknowledged (AckWindow). The cursor, the
// place after the last passed record, is saved at most once a second and at
// the end; after an outage, a restart or a power cut reading resumes from it,
// so a record may go out twice but none is missed. Nothing is held in memory
// beyond the records sent and not yet acknowledged.
class RecordFollower : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSaveMs = 1000;

    RecordFollower(DayArchive& archive, const Clock& clock, QString cursorPath,
                   QObject* parent = nullptr);
    ~RecordFollower() override; // saves the cursor

    // Loads the cursor and follows the archive's syncs. The text for the
    // operator when the saved cursor did not fit its file (that day is then
    // read again from its first line), empty otherwise.
    QString start();

    // Up to `max` records after next(), none past what the archive synced.
    // A finished day is left for the next day file (the cursor moves on with
    // it when nothing of the finished day waits). Nothing and `error` set
    // when a day file cannot be read: that is not the end of the day.
    std::vector<TailRecord> read(int max, QString* error);
    // The record went out as message `id`: reading goes on after it.
    void sent(int id, const TailRecord& record);
    // Message `id` was acknowledged; whether the cursor moved.
    bool acknowledge(int id);
    bool waitsFor(int id) const { return m_window.contains(id); }
    // Everything sent and not acknowledged is read again from the cursor.
    void sendAgain();
    // The cursor jumps to `to`, back or forward (a partner's acknowledged
    // place, a day read again): what is in flight is forgotten.
    void moveTo(const FeedPosition& to);

    const FeedPosition& cursor() const { return m_cursor; }
    const FeedPosition& next() const { return m_next; }
    int inFlight() const { return m_window.size(); }
    // Every synced record read and acknowledged.
    bool caughtUp() const;
    const DayFileTail& tail() const { return m_tail; }
    QString cursorPath() const { return m_cursorFile.path(); }
    // Saves the cursor now when it moved since the last save.
    void saveCursor();

signals:
    // The archive synced records after next(): read on.
    void recordsSynced();

private:
    void onDaySynced(const QDate& date);
    QString loadCursor();

    DayArchive& m_archive;
    const Clock& m_clock;
    DayFileTail m_tail;
    FeedCursor m_cursorFile;
    FeedPosition m_cursor;
    FeedPosition m_next;
    FeedPosition m_left; // where the last finished day was left
    // Where a later day was acknowledged up to when the clock went back
    // across midnight; empty when it did not.
    FeedPosition m_laterAcked;
    bool m_cursorDirty = false;
    // How far the archive has synced: the file of m_syncedDay up to
    // m_syncedSize; the files before it whole.
    QString m_syncedDay;
    qint64 m_syncedSize = 0;
    AckWindow m_window;
    QTimer m_save;
};

} // namespace zelvan

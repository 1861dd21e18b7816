#pragma once

#include <QByteArray>
#include <QChar>
#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>

#include "core/DurableFile.h"
#include "core/StationLists.h"
#include <deque>

namespace zelvan {

// The daily archive: one file "yy-mm-dd.dat" per day in the data directory,
// one record per line, CR LF. Every record is on the disk (fdatasync
// returned) before the handler that made it returns: outside a Batch each
// record is written and synced at once; inside one, the records of the whole
// handler are written with one write and one sync when the Batch ends (group
// commit: a burst of messages costs one sync, not one per record). A record
// that cannot be written is kept in memory, in order, and written before the
// next one once the file can be written again; the failure is reported
// through failureChanged().
class DayArchive : public QObject, public DayRecords
{
    Q_OBJECT
public:
    // The records appended while a Batch lives are written and synced when
    // the last open Batch ends. A null archive makes an empty scope.
    class Batch
    {
    public:
        explicit Batch(DayArchive* archive);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        DayArchive* m_archive;
    };

    explicit DayArchive(QString dataDir, FileSync sync = FileSync::system(),
                        QObject* parent = nullptr);

    // AppendDayRecord for an object: k (1..1024), its record letter and the
    // time of its event, into the day file of that time. True when the record
    // is on the disk, or (inside a Batch) accepted while the archive is writable.
    bool AppendDayRecord(int k, QChar letter, const QDateTime& at) override;
    // AppendDayRecord for a module record (letters S and V): module digit in position 13.
    bool appendModuleRecord(int m, QChar letter, const QDateTime& at) override;

    // Records waiting to be written after a failure.
    int pendingCount() const { return int(m_pending.size()); }
    // Tries to write the waiting records now, in order, each into the file of
    // its own date (called by the supervision tick too). True when none waits.
    bool flushPending();
    bool failing() const { return m_failing; }

    // At the end of the program: the waiting records are tried once more, and
    // what still cannot be written goes to the recovery file at `path` (one
    // record a line: the date "yyyy-MM-dd", a blank, the record), through the
    // same durable write as the day files. True when nothing is left unsaved.
    bool saveUnwritten(const QString& path);
    // At start, before any new record: the records of a recovery file are
    // written first, in order, each into the day file of its date; the file is
    // removed once every one of them is written (until then they wait in
    // memory like any failed record). False when the file exists but cannot
    // be read (lastRecoveryError() says why); true otherwise.
    bool recover(const QString& path);
    QString lastRecoveryError() const { return m_recoveryError; }
    // The operator's text of the current failure; empty when records are written.
    QString lastError() const { return m_lastError; }

    QString dataDir() const { return m_dataDir; }
    static QString dayFileName(const QDate& date); // "yy-mm-dd.dat"
    QString dayFilePath(const QDate& date) const;
    // Six-digit day fraction of the time of day, in millionths.
    static QByteArray dayFraction(const QDateTime& t);
    static QByteArray objectRecord(int k, QChar letter, const QDateTime& t);
    static QByteArray moduleRecord(int m, QChar letter, const QDateTime& t);

signals:
    // failing: a record could not be written; message names the file and the
    // reason (sent again with each failed attempt). false once every waiting
    // record has been written.
    void failureChanged(bool failing, const QString& message);
    // `records` records were written and synced to the disk in one batch
    // (written only, where the file system cannot sync: see syncRefused).
    void synced(int records);
    // The day file of `date`, as it is now, holds only records on the disk:
    // readers that send records on (the MQTT feed) read it up to here.
    void daySynced(const QDate& date);
    // The data directory's file system refused to sync a day file: records
    // are written but not known to be on the disk. Sent once.
    void syncRefused(const QString& message);

private:
    struct Pending
    {
        QDate date;
        QByteArray line;
    };
    bool append(const QDate& date, const QByteArray& line);

    QString m_dataDir;
    FileSync m_sync;
    int m_batchDepth = 0;
    std::deque<Pending> m_pending;
    bool m_failing = false;
    QString m_lastError;
    bool m_syncRefusedReported = false;
    // The recovery file read at start while records of it still wait.
    QString m_recoveryPath;
    QString m_recoveryError;
};

} // namespace zelvan

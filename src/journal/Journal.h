#pragma once

#include "core/DurableFile.h"
#include "core/JournalLine.h"
#include "core/OperatorActions.h"

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>

namespace zelvan {

class Clock;

// The journal of the operator's actions: one file per day in the data
// directory, "yy-mm-dd.jrn", UTF-8, one action a line, appended and synced
// before the action is reported done.
//
// A line that cannot be written waits in memory (at most kMaxWaiting, the
// oldest kept) and is written before the next one, at the next action or the
// next retry(); meanwhile failureChanged() tells the operator. The action
// itself is never held back by the journal.
class Journal : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxWaiting = 10000;

    Journal(QString dataDir, const Clock& clock, FileSync sync = FileSync::system(),
            QObject* parent = nullptr);

    static QString fileName(const QDate& day); // "yy-mm-dd.jrn"
    QString path(const QDate& day) const;
    const QString& dataDir() const { return m_dataDir; }

    // Appends one line stamped now. True when it (and every line waiting
    // before it) is on the disk.
    bool write(const QString& operatorName, JournalAction action, int object, int module,
               const QString& detail);
    // Writes the lines still waiting; true when none is left.
    bool retry();
    int waiting() const { return int(m_waiting.size()); }
    // Lines dropped because too many were waiting.
    qint64 dropped() const { return m_dropped; }

    // The lines of one day's file; `error` says why the file could not be
    // read (a missing file is an empty day, not an error).
    QList<JournalEntry> read(const QDate& day, QString* error = nullptr) const;

signals:
    // The journal cannot be written (message says where and why), or can again.
    void failureChanged(bool failing, const QString& message);
    // Lines were appended to the file of `day` ("yy-mm-dd") and synced.
    void appended(const QString& day);

private:
    struct Waiting
    {
        QDate day;
        QByteArray line;
    };
    bool flush();
    void setFailing(bool failing, const QString& message);

    QString m_dataDir;
    const Clock& m_clock;
    FileSync m_sync;
    std::deque<Waiting> m_waiting;
    qint64 m_dropped = 0;
    bool m_failing = false;
};

} // namespace zelvan

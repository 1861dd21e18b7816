#pragma once

#include "core/DurableFile.h"
#include "core/JournalLine.h"
#include "core/OperatorActions.h"
#include "journal/JournalVerifier.h"

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

namespace zelvan {

class Clock;

// The journal of the operator's actions: one file per day in the data
// directory, "yy-mm-dd.jrn", UTF-8, one action a line, appended and synced
// before the action is reported done. Each line carries its sequence in the
// day file and its chain value (JournalVerifier holds the rule), so that a
// line changed, removed or put in afterwards is found.
//
// A line that cannot be written waits in memory and is written before the
// next one, at the next action or the next retry(); meanwhile
// failureChanged() tells the operator. The action itself is never held back
// by the journal. More than kMaxWaiting waiting lines drop the oldest, and a
// "journal_dropped" line with their count takes their place. Lines still
// waiting at exit go to a recovery file (saveWaiting()) and are written at
// the next start (recover()).
class Journal : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxWaiting = 10000;
    // How far back the start looks for the last journal file.
    static constexpr int kLookBackDays = 400;

    Journal(QString dataDir, const Clock& clock, FileSync sync = FileSync::system(),
            QObject* parent = nullptr);

    static QString fileName(const QDate& day); // "yy-mm-dd.jrn"
    static QString dayName(const QDate& day);  // "yy-mm-dd"
    QString path(const QDate& day) const;
    const QString& dataDir() const { return m_dataDir; }

    // The key of the chain values; without one (empty) lines are written
    // with an empty chain value.
    void setKey(QByteArray key) { m_key = std::move(key); }
    const QByteArray& key() const { return m_key; }

    // Appends one line stamped now. True when it (and every line waiting
    // before it) is on the disk.
    bool write(const QString& operatorName, JournalAction action, int object, int module,
               const QString& detail);
    // Writes the lines still waiting; true when none is left.
    bool retry();
    int waiting() const { return int(m_waiting.size()); }
    // Lines dropped because too many were waiting.
    qint64 dropped() const { return m_dropped; }

    // At start, before any new line: the lines a recovery file holds are
    // written first, in their order; the file is removed once they are all
    // written. False when the file is there but cannot be read
    // (lastRecoveryError() says why).
    bool recover(const QString& path);
    QString lastRecoveryError() const { return m_recoveryError; }
    // At start, after recover(): when the last line of the journal is not
    // "exit" (the program was killed or the machine stopped), journals
    // "unclean_end" with that line's time. No journal at all: nothing.
    void noteUncleanEnd();
    // At exit: the lines that still cannot be written go to the recovery
    // file (replaced whole). True when nothing is lost.
    bool saveWaiting(const QString& path);

    // The lines of one day's file; `error` says why the file could not be
    // read (a missing file is an empty day, not an error); `check`, when
    // given, what the check of its chain found (nothing without a key).
    QList<JournalEntry> read(const QDate& day, QString* error = nullptr,
                             std::optional<JournalCheck>* check = nullptr) const;

signals:
    // The journal cannot be written (message says where and why), or can again.
    void failureChanged(bool failing, const QString& message);
    // Lines were appended to the file of `day` ("yy-mm-dd") and synced.
    void appended(const QString& day);

private:
    struct Waiting
    {
        QDate day;
        JournalEntry entry; // without its sequence and chain: they are given when written
    };
    // Where the chain of a day file stands: its last whole line.
    struct Tail
    {
        QDate day;
        qint64 sequence = 0;
        QByteArray chain;
        bool needsLineEnd = false; // the file ends in a torn line
    };
    void push(Waiting waiting);
    bool flush();
    bool loadTail(const QDate& day, QString* error);
    void setFailing(bool failing, const QString& message);

    QString m_dataDir;
    const Clock& m_clock;
    FileSync m_sync;
    QByteArray m_key;
    std::deque<Waiting> m_waiting;
    std::optional<Tail> m_tail;
    qint64 m_dropped = 0;
    bool m_failing = false;
    QString m_recoveryPath; // read at start, removed once its lines are written
    QString m_recoveryError;
};

} // namespace zelvan

#pragma once

#include "core/DurableFile.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

namespace zelvan {

// The wrong PINs counted against each operator's name and the holds they
// brought, kept in `login-holds` in the program directory (mode 0600, one
// name a line: "name<TAB>failures<TAB>holds<TAB>held-until", the time in ISO
// 8601 with its offset, empty when not held), so that a restart does not
// clear them.
//
// Five wrong PINs in a row hold a name; each hold of the same name lasts
// longer than the one before (1, 5, 15, then 60 minutes), until a good log-in
// clears the name's count.
class LoginHolds
{
public:
    static constexpr int kMaxFailures = 5;

    explicit LoginHolds(QString programDir, FileSync sync = FileSync::system());

    static QString fileName() { return QStringLiteral("login-holds"); }
    QString path() const;
    // The length of the n-th hold of a name (n from 1).
    static int holdMinutes(int n);

    // Reads the file (a missing one holds nothing). False, with the reason in
    // problem(), when it cannot be read or is not the panel's: then the holds
    // cannot be checked, and no log-in may be taken.
    bool load();
    // Why the file cannot be read or written; empty when it is in order.
    QString problem() const { return m_readProblem.isEmpty() ? m_writeProblem : m_readProblem; }
    // The holds could not be read: log-ins are refused.
    bool unreadable() const { return !m_readProblem.isEmpty(); }

    struct Entry
    {
        int failures = 0; // wrong PINs since the last hold or good log-in
        int holds = 0;    // holds since the last good log-in
        QDateTime heldUntil;
    };
    Entry entry(const QString& name) const { return m_entries.value(name); }
    // The name is held at `now`.
    bool held(const QString& name, const QDateTime& now) const;
    // A wrong PIN for name: counted, and at the fifth in a row the name is
    // held. keep: the name is an operator's, and its count goes into the file
    // (an unknown name is counted in memory only, so that nobody can fill the
    // file). Returns the entry after.
    Entry failed(const QString& name, const QDateTime& now, bool keep);
    // A good log-in: the name's count and holds are cleared.
    void succeeded(const QString& name);
    // The names held at `now`, with the time each is held until.
    QList<QPair<QString, QDateTime>> heldNames(const QDateTime& now) const;

private:
    bool save();

    QString m_programDir;
    FileSync m_sync;
    QHash<QString, Entry> m_entries;
    QHash<QString, bool> m_kept; // names whose entries go into the file
    QString m_readProblem;
    QString m_writeProblem;
};

} // namespace zelvan

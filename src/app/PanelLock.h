#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QLockFile;

namespace zelvan {

// One panel per program directory and per serial device: a second panel on the
// same zelvan.ini or the same line would send its own commands to the modules
// and write the same day files. Held for the life of the panel; a lock left by
// a panel that died is taken over (its process no longer runs).
class PanelLock
{
public:
    PanelLock();
    ~PanelLock();
    PanelLock(const PanelLock&) = delete;
    PanelLock& operator=(const PanelLock&) = delete;

    // Locks the program directory, then each device (by its canonical path, so
    // two links to one device are one device). False when another panel holds
    // one of them; holderPid() then names it (0 when unknown) and what() says
    // which, in the operator's words.
    bool acquire(const QString& programDir, const QStringList& devices);

    qint64 holderPid() const { return m_holderPid; }
    QString what() const { return m_what; }

    static QString programDirLockPath(const QString& programDir);
    static QString deviceLockPath(const QString& device);

private:
    bool take(const QString& path, const QString& what);

    std::vector<std::unique_ptr<QLockFile>> m_locks;
    qint64 m_holderPid = 0;
    QString m_what;
};

} // namespace zelvan

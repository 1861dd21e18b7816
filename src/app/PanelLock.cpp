#include "app/PanelLock.h"

#include "app/AppTexts.h"
#include "core/Logging.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace zelvan {

PanelLock::PanelLock() = default;
PanelLock::~PanelLock() = default;

QString PanelLock::programDirLockPath(const QString& programDir)
{
    return QDir(programDir).filePath(QStringLiteral("zelvan.lock"));
}

QString PanelLock::deviceLockPath(const QString& device)
{
    const QString canonical = QFileInfo(device).canonicalFilePath();
    QString name = canonical.isEmpty() ? device : canonical;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QDir(QDir::tempPath()).filePath(QStringLiteral("zelvan-line%1.lock").arg(name));
}

bool PanelLock::acquire(const QString& programDir, const QStringList& devices)
{
    if (!take(programDirLockPath(programDir), apptexts::alreadyRunningIn(programDir)))
        return false;
    for (const QString& device : devices) {
        if (!device.isEmpty() && !take(deviceLockPath(device), apptexts::alreadyRunningOn(device)))
            return false;
    }
    return true;
}

bool PanelLock::take(const QString& path, const QString& what)
{
    auto lock = std::make_unique<QLockFile>(path);
    // A panel runs for months: its lock must never age into "stale" while it
    // lives. Only a lock whose process is gone is taken over.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_locks.push_back(std::move(lock));
        return true;
    }
    if (lock->error() != QLockFile::LockFailedError) {
        // A lock that cannot even be written (a read-only directory) must not
        // keep the alarm panel from running: say so and go on without it.
        qCWarning(lcApp).noquote() << "cannot create the lock file" << path;
        return true;
    }
    m_what = what;
    qint64 pid = 0;
    QString host;
    QString app;
    if (lock->getLockInfo(&pid, &host, &app))
        m_holderPid = pid;
    return false;
}

} // namespace zelvan

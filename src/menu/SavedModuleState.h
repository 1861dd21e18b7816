#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace zelvan {

// Mdl_<n>.dat as the restore reads it: line 1 the moment the link was lost (a
// day serial), every further line one take command of an object that was
// under guard.
struct SavedModuleState
{
    bool exists = false;     // read: the restore can send it
    bool unreadable = false; // there, but could not be opened or read
    QDateTime lostAt;
    QList<QByteArray> commands; // without line ends, in file order

    // One access: the file opened, read whole and closed.
    static SavedModuleState read(const QString& dataDir, int m);
};

} // namespace zelvan

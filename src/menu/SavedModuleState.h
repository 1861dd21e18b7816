#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace zelvan {

// Mdl_<n>.dat as the restore reads it: line 1 the moment the link was lost (a
// day serial), every further line one take command of an object that was
// under guard. The link supervision writes nothing else; a line that is not
// exactly such a command (edited by hand, damaged, or holding a CR and the
// address of another module) is not sent: it is kept aside by its number.
struct SavedModuleState
{
    bool exists = false;     // read: the restore can send it
    bool unreadable = false; // there, but could not be opened or read
    QDateTime lostAt;
    QList<QByteArray> commands; // "P" + object number, without line ends, in file order
    QList<int> objects;         // the object number of each command
    QList<int> skippedLines;    // numbers (line 1 the loss) of the lines not sent
    QString path;               // the file read

    // The object number n of a line that is exactly "P" + n, n 1..128 in
    // decimal without sign, blanks or leading zeros, and nothing after it.
    static std::optional<int> takeCommandObject(QByteArrayView line);

    // One access: the file opened, read whole and closed.
    static SavedModuleState read(const QString& dataDir, int m);
};

} // namespace zelvan

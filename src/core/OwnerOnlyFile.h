#pragma once

#include <QByteArray>
#include <QString>

namespace zelvan {

// A file of the panel's own that only its owner may read and write (mode
// 0600): the operators' PIN hashes, the log-in holds. What is checked is
// what is read: the checks run on the opened descriptor.
struct OwnerOnlyFile
{
    enum class Problem
    {
        None,
        Unreadable,   // cannot be opened or read: `reason` says why
        NotRegular,   // a directory, a FIFO … in its place
        OpenToOthers, // group or others may read or write it
        TooLarge,     // over the largest size asked for
    };
    bool exists = false;
    QByteArray content; // empty unless problem is None
    Problem problem = Problem::None;
    QString reason; // the system's reason for Unreadable

    // Reads at most maxBytes of path. A missing file is no problem: exists is
    // false and content empty.
    static OwnerOnlyFile read(const QString& path, qint64 maxBytes);
};

} // namespace zelvan

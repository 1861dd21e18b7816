#pragma once

#include "core/DurableFile.h"

#include <QByteArray>
#include <QString>

namespace zelvan {

// The journal's key: 32 random bytes in "journal.key" of the program
// directory, 64 hex digits and an LF, readable by its owner only. Made at
// the first start; with it every journal line carries a chain value that
// only a holder of the key can compute, so a line changed, removed or put in
// afterwards is found.
class JournalKey
{
public:
    static constexpr int kBytes = 32;
    static QString fileName() { return QStringLiteral("journal.key"); }
    static QString pathIn(const QString& programDir);

    struct Loaded
    {
        QByteArray key;  // kBytes bytes; empty when there is none to use
        QString problem; // why not, for the operator
    };
    // Reads the key; when there is no key file and `create` is set, makes
    // one. A key file open to the group or to others, unreadable or not 64
    // hex digits is not used: `problem` says so.
    static Loaded load(const QString& programDir, bool create,
                       const FileSync& sync = FileSync::system());
};

} // namespace zelvan

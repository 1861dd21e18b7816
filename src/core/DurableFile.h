#pragma once

#include <QByteArrayView>
#include <QString>
#include <functional>

namespace zelvan {

// The two calls that force written data from the page cache to the disk.
// The station uses the system's; a test puts recorders in their place to see
// that every write is followed by its sync.
struct FileSync
{
    // fdatasync(2) of a file just written; 0 on success.
    std::function<int(int fd)> data;
    // fsync(2) of a directory after a rename in it; 0 on success.
    std::function<int(int fd)> directory;

    // The system calls.
    static FileSync system();
};

// Every write of the station to its files goes through here, so that a write
// reported done survives a power cut:
// - append(): the bytes at the end of the file, then fdatasync; a write that
//   fails part-way is cut back to the old end, so the file never keeps half of
//   what was appended;
// - replace(): the whole content into a temporary file in the same directory,
//   fdatasync, rename over the file, fsync of the directory: the file is
//   always either the old or the new one;
// - writeAt(): bytes rewritten in place at an offset (fixed-length records),
//   the file extended with zeros up to it when shorter, then fdatasync;
// - replaceWith(): the same replacement for a content that a writer of its own
//   (a PDF printer, an export written in parts) has put into a temporary file
//   beside the file: fdatasync, rename, fsync of the directory.
// Each call opens the file, writes, syncs and closes it. A file system that
// cannot sync (the sync answers EINVAL, ENOTSUP or ENOSYS) still gets the
// bytes: the call succeeds and syncRefused() says they are not known to be on
// the disk.
class DurableFile
{
public:
    explicit DurableFile(QString path, FileSync sync = FileSync::system());

    const QString& path() const { return m_path; }

    bool append(QByteArrayView bytes);
    // As append(), for a file of CR LF lines: when the file does not end with
    // an LF (its last line torn by a crash or a power cut), CR LF goes first,
    // so that the torn line stays a line of its own and never joins the next.
    bool appendLines(QByteArrayView bytes);
    // Who may read and write a file that replace() writes.
    enum class Permissions
    {
        // rw-rw-r-- less the umask, as every file of the station.
        Shared,
        // rw------- exactly, for files of secrets: the temporary file is made
        // anew (a leftover one is removed first, as another process may hold it
        // open) with these permissions before the first byte goes into it.
        OwnerOnly,
    };
    // tmpPath: the temporary file, beside path; empty: path + ".tmp".
    bool replace(QByteArrayView content, const QString& tmpPath = QString(),
                 Permissions permissions = Permissions::Shared);
    bool writeAt(qint64 offset, QByteArrayView bytes);
    // Puts the finished temporary file tmpPath in the file's place. On failure
    // the temporary file is removed and the file keeps what it held.
    bool replaceWith(const QString& tmpPath);

    // The temporary file beside a file, for replace() and replaceWith().
    static QString temporaryPathOf(const QString& path) { return path + QStringLiteral(".tmp"); }
    // Removes a temporary file that will not be used (an abandoned write).
    static void discard(const QString& tmpPath);

    // The file and the system's reason of the last failure.
    QString errorString() const { return m_error; }
    // The system's reason alone.
    QString reason() const { return m_reason; }
    // The last call wrote, but the file system refused to sync.
    bool syncRefused() const { return m_syncRefused; }

private:
    bool appendTo(QByteArrayView bytes, bool freshLine);
    bool fail(const QString& file, int error);

    QString m_path;
    FileSync m_sync;
    QString m_error;
    QString m_reason;
    bool m_syncRefused = false;
};

} // namespace zelvan

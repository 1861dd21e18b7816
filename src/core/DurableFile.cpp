#include "core/DurableFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvan {

namespace {

// A descriptor closed when it goes out of scope.
class Fd
{
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now; false (errno set) when the close reports a late write error.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

QByteArray native(const QString& path) { return QFile::encodeName(path); }

int openFile(const QString& path, int flags, mode_t mode = 0664)
{
    int fd;
    do {
        fd = ::open(native(path).constData(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// All of `bytes` at the descriptor's position (or at `offset` when >= 0).
bool writeAll(int fd, QByteArrayView bytes, qint64 offset = -1)
{
    const char* p = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = offset >= 0 ? ::pwrite(fd, p, size_t(left), off_t(offset))
                                      : ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        left -= n;
        if (offset >= 0)
            offset += n;
    }
    return true;
}

// A file system that cannot sync at all (some network and FUSE file
// systems, special files) answers EINVAL, ENOTSUP or ENOSYS: the bytes are
// written all the same, so the write counts as done, and `refused` is set for
// the caller to tell the operator that they are not known to be on the disk.
bool syncCannotBeDone(int error)
{
    return error == EINVAL || error == ENOTSUP || error == ENOSYS; // EOPNOTSUPP is ENOTSUP
}

bool synced(const std::function<int(int)>& call, int fd, bool& refused)
{
    int rc;
    do {
        rc = call(fd);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0 && syncCannotBeDone(errno)) {
        refused = true;
        return true;
    }
    return rc == 0;
}

} // namespace

FileSync FileSync::system()
{
    return FileSync{[](int fd) { return ::fdatasync(fd); }, [](int fd) { return ::fsync(fd); }};
}

DurableFile::DurableFile(QString path, FileSync sync)
    : m_path(std::move(path)), m_sync(std::move(sync))
{
}

bool DurableFile::fail(const QString& file, int error)
{
    m_reason = qt_error_string(error);
    m_error = file + QStringLiteral(": ") + m_reason;
    return false;
}

bool DurableFile::append(QByteArrayView bytes) { return appendTo(bytes, false); }

bool DurableFile::appendLines(QByteArrayView bytes) { return appendTo(bytes, true); }

bool DurableFile::appendTo(QByteArrayView bytes, bool freshLine)
{
    m_error.clear();
    m_reason.clear();
    m_syncRefused = false;
    Fd fd(openFile(m_path, (freshLine ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND));
    if (!fd.valid())
        return fail(m_path, errno);
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0)
        return fail(m_path, errno);
    const off_t oldSize = st.st_size;
    char last = '\n';
    if (freshLine && oldSize > 0 && ::pread(fd.get(), &last, 1, oldSize - 1) != 1)
        return fail(m_path, errno);
    const bool torn = last != '\n';
    if ((!torn || writeAll(fd.get(), QByteArrayView("\r\n"))) && writeAll(fd.get(), bytes)
        && synced(m_sync.data, fd.get(), m_syncRefused) && fd.close())
        return true;
    const int error = errno;
    // Whole lines or nothing: the retry writes them again from the old end.
    if (fd.valid()) {
        if (::ftruncate(fd.get(), oldSize) == 0)
            synced(m_sync.data, fd.get(), m_syncRefused);
    } else {
        ::truncate(native(m_path).constData(), oldSize);
    }
    return fail(m_path, error);
}

bool DurableFile::replace(QByteArrayView content, const QString& tmpPath, Permissions permissions)
{
    m_error.clear();
    m_reason.clear();
    const QString tmp = tmpPath.isEmpty() ? temporaryPathOf(m_path) : tmpPath;
    const bool ownerOnly = permissions == Permissions::OwnerOnly;
    {
        // A secret never goes into a file that existed before: truncating a
        // leftover temporary file would keep its permissions, and whoever holds
        // it open would read the new content. O_EXCL makes the file ours; its
        // mode is set (the umask aside) before anything is written.
        if (ownerOnly)
            discard(tmp);
        constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;
        Fd fd(ownerOnly ? openFile(tmp, O_WRONLY | O_CREAT | O_EXCL, kOwnerOnly)
                        : openFile(tmp, O_WRONLY | O_CREAT | O_TRUNC));
        if (!fd.valid())
            return fail(tmp, errno);
        if (ownerOnly && ::fchmod(fd.get(), kOwnerOnly) != 0) {
            const int error = errno;
            discard(tmp);
            return fail(tmp, error);
        }
        if (!writeAll(fd.get(), content) || !fd.close()) {
            const int error = errno;
            discard(tmp);
            return fail(tmp, error);
        }
    }
    return replaceWith(tmp);
}

bool DurableFile::replaceWith(const QString& tmp)
{
    m_error.clear();
    m_reason.clear();
    m_syncRefused = false;
    {
        Fd fd(openFile(tmp, O_RDONLY));
        if (!fd.valid() || !synced(m_sync.data, fd.get(), m_syncRefused) || !fd.close()) {
            const int error = errno;
            discard(tmp);
            return fail(tmp, error);
        }
    }
    // rename() replaces the old file in one step: a reader, or the program
    // after a crash, finds either the old or the new file, never a part of one.
    if (std::rename(native(tmp).constData(), native(m_path).constData()) != 0) {
        const int error = errno;
        discard(tmp);
        return fail(m_path, error);
    }
    // The rename itself is on the disk only once the directory is.
    Fd dir(openFile(QFileInfo(m_path).absolutePath(), O_RDONLY | O_DIRECTORY));
    if (!dir.valid() || !synced(m_sync.directory, dir.get(), m_syncRefused))
        return fail(QFileInfo(m_path).absolutePath(), errno);
    return true;
}

void DurableFile::discard(const QString& tmpPath) { ::unlink(native(tmpPath).constData()); }

bool DurableFile::writeAt(qint64 offset, QByteArrayView bytes)
{
    m_error.clear();
    m_reason.clear();
    m_syncRefused = false;
    if (offset < 0)
        return fail(m_path, EINVAL);
    Fd fd(openFile(m_path, O_RDWR | O_CREAT));
    if (!fd.valid())
        return fail(m_path, errno);
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0)
        return fail(m_path, errno);
    bool ok = true;
    if (st.st_size < offset) {
        // The bytes between the old end and the record must read as zeros
        // (empty records): written out, not left as a hole of unknown content.
        const QByteArray gap(offset - st.st_size, '\0');
        ok = writeAll(fd.get(), gap, st.st_size);
    }
    ok = ok && writeAll(fd.get(), bytes, offset) && synced(m_sync.data, fd.get(), m_syncRefused)
         && fd.close();
    return ok || fail(m_path, errno);
}

} // namespace zelvan

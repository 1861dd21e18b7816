#include "core/OwnerOnlyFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvan {

OwnerOnlyFile OwnerOnlyFile::read(const QString& path, qint64 maxBytes)
{
    OwnerOnlyFile out;
    const auto fail = [&out](Problem why, const QString& systemReason = QString()) {
        out.problem = why;
        out.reason = systemReason;
        out.content.clear();
        return out;
    };
    const QByteArray native = QFile::encodeName(path);
    // O_NONBLOCK: a FIFO put in the file's place must not hold the reader.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        out.exists = errno != ENOENT;
        return out.exists ? fail(Problem::Unreadable, qt_error_string(errno)) : out;
    }
    out.exists = true;
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat st
    {
    };
    constexpr mode_t kOthers = S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
    if (::fstat(fd, &st) != 0)
        return fail(Problem::Unreadable, qt_error_string(errno));
    if (!S_ISREG(st.st_mode))
        return fail(Problem::NotRegular);
    if ((st.st_mode & kOthers) != 0)
        return fail(Problem::OpenToOthers);
    out.content = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(Problem::Unreadable, file.errorString());
    if (out.content.size() > maxBytes)
        return fail(Problem::TooLarge);
    return out;
}

} // namespace zelvan

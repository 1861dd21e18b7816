#include "journal/JournalKey.h"

#include "journal/JournalTexts.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvan {

namespace texts = journal_texts;

namespace {

constexpr qint64 kHexLength = 2 * JournalKey::kBytes;

JournalKey::Loaded unusable(const QString& problem) { return {QByteArray(), problem}; }

JournalKey::Loaded make(const QString& path, const FileSync& sync)
{
    if (sodium_init() < 0)
        return unusable(texts::keyNotMade().arg(path, texts::noRandom()));
    QByteArray key(JournalKey::kBytes, '\0');
    randombytes_buf(key.data(), size_t(key.size()));
    DurableFile file(path, sync);
    if (!file.replace(key.toHex() + '\n', QString(), DurableFile::Permissions::OwnerOnly))
        return unusable(texts::keyNotMade().arg(path, file.reason()));
    return {key, QString()};
}

} // namespace

QString JournalKey::pathIn(const QString& programDir)
{
    return programDir + QLatin1Char('/') + fileName();
}

JournalKey::Loaded JournalKey::load(const QString& programDir, bool create, const FileSync& sync)
{
    const QString path = pathIn(programDir);
    const QByteArray native = QFile::encodeName(path);
    // O_NONBLOCK: a FIFO put in the file's place must not hold the reader.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return create ? make(path, sync) : unusable(texts::keyMissing().arg(path));
        return unusable(texts::keyUnreadable().arg(path, qt_error_string(error)));
    }
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0)
        return unusable(texts::keyUnreadable().arg(path, qt_error_string(errno)));
    if (!S_ISREG(st.st_mode))
        return unusable(texts::keyUnreadable().arg(path, texts::notARegularFile()));
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return unusable(texts::keyOpen().arg(path));
    const QByteArray content = file.read(kHexLength + 2);
    if (file.error() != QFileDevice::NoError)
        return unusable(texts::keyUnreadable().arg(path, file.errorString()));
    const QByteArray hex = content.endsWith('\n') ? content.chopped(1) : content;
    bool hexOnly = hex.size() == kHexLength;
    for (const char c : hex)
        hexOnly = hexOnly && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
    if (!hexOnly)
        return unusable(texts::keyMalformed().arg(path));
    return {QByteArray::fromHex(hex), QString()};
}

} // namespace zelvan

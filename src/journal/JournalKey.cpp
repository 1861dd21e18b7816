#include "journal/JournalKey.h"

#include "core/OwnerOnlyFile.h"
#include "journal/JournalTexts.h"

#include <sodium.h>

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
    const OwnerOnlyFile file = OwnerOnlyFile::read(path, kHexLength + 1);
    switch (file.problem) {
    case OwnerOnlyFile::Problem::None:
        break;
    case OwnerOnlyFile::Problem::Unreadable:
        return unusable(texts::keyUnreadable().arg(path, file.reason));
    case OwnerOnlyFile::Problem::NotRegular:
        return unusable(texts::keyUnreadable().arg(path, texts::notARegularFile()));
    case OwnerOnlyFile::Problem::OpenToOthers:
        return unusable(texts::keyOpen().arg(path));
    case OwnerOnlyFile::Problem::TooLarge:
        return unusable(texts::keyMalformed().arg(path));
    }
    if (!file.exists)
        return create ? make(path, sync) : unusable(texts::keyMissing().arg(path));
    const QByteArray& content = file.content;
    const QByteArray hex = content.endsWith('\n') ? content.chopped(1) : content;
    bool hexOnly = hex.size() == kHexLength;
    for (const char c : hex)
        hexOnly = hexOnly && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
    if (!hexOnly)
        return unusable(texts::keyMalformed().arg(path));
    return {QByteArray::fromHex(hex), QString()};
}

} // namespace zelvan

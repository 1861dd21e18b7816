#include "core/Cp1251.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace zelvan {

namespace {
constexpr const char* kCodePage = "windows-1251";

// The characters of the bytes 0x80..0xFF, as the system's code page converter
// gives them, asked once: opening the converter for every name read costs
// more than the rest of a message's handling. Empty when the converter is
// missing or gives anything but one character a byte.
QString upperHalf()
{
    QStringDecoder decoder(kCodePage);
    if (!decoder.isValid())
        return {};
    QString half;
    for (int b = 0x80; b <= 0xFF; ++b) {
        const char byte = char(b);
        const QString c = decoder.decode(QByteArrayView(&byte, 1));
        if (c.size() != 1)
            return {};
        half += c;
    }
    return half;
}

} // namespace

QString fromCp1251(QByteArrayView bytes)
{
    // Pure ASCII (all protocol traffic) needs no code page.
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return QString::fromLatin1(bytes);
    static const QString half = upperHalf();
    if (half.isEmpty())
        return QString::fromLatin1(bytes);
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = b < 0x80 ? QChar(b) : half[b - 0x80];
    }
    return text;
}

QByteArray toCp1251(QStringView text)
{
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return text.toLatin1();
    QStringEncoder encoder(kCodePage);
    if (!encoder.isValid())
        return text.toLatin1();
    return encoder.encode(text);
}

} // namespace zelvan

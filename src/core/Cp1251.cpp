#include "core/Cp1251.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace zelvan {

namespace {
constexpr const char* kCodePage = "windows-1251";
}

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
    QStringDecoder decoder(kCodePage);
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
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

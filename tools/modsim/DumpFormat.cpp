#include "modsim/DumpFormat.h"

#include "modsim/ModuleTexts.h"

namespace zelvan::modsim {

namespace {
constexpr char kHexDigits[] = "0123456789ABCDEF";
}

QByteArray formatDumpLine(QByteArrayView sixteenBytes)
{
    QByteArray line;
    line.reserve(kDumpLineLength);
    line.append(':');
    for (int i = 0; i < kDumpBytesPerLine; ++i) {
        const auto byte =
            i < sixteenBytes.size() ? static_cast<quint8>(sixteenBytes[i]) : quint8{0};
        line.append(' ');
        line.append(kHexDigits[byte >> 4]);
        line.append(kHexDigits[byte & 0x0F]);
    }
    return line;
}

QByteArray damageDumpLine(const QByteArray& line)
{
    QByteArray damaged = line;
    // Spoil a digit in the middle of the line, where a noisy line would.
    for (qsizetype i = damaged.size() / 2; i < damaged.size(); ++i) {
        const char c = damaged[i];
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) {
            damaged[i] = 'x';
            return damaged;
        }
    }
    return damaged;
}

} // namespace zelvan::modsim

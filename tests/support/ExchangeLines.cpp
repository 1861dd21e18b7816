#include "support/ExchangeLines.h"

namespace zelvan::test {

QString ExchangeLines::dumpLine(const QByteArray& sixteenBytes)
{
    QString line = QStringLiteral(":");
    for (int i = 0; i < 16; ++i) {
        const int b = i < sixteenBytes.size() ? quint8(sixteenBytes[i]) : 0;
        line += QStringLiteral(" %1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    }
    return line;
}

QStringList ExchangeLines::dump(const QByteArray& bytes)
{
    QStringList lines;
    for (int i = 0; i < bytes.size(); i += 16)
        lines << dumpLine(bytes.mid(i, 16));
    return lines;
}

QString ExchangeLines::groupLine(const QString& groups)
{
    return QStringLiteral(".Gr ") + groups + QStringLiteral(" ]");
}

QByteArray ExchangeLines::letters(char fill) { return QByteArray(128, fill); }

} // namespace zelvan::test

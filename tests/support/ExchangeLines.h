#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zelvan::test {

// Lines a module sends in its start-up exchange, built the way the firmware
// lays them out: each dump line is ":" and 16 bytes as " XX", 49 characters.
struct ExchangeLines
{
    // 16 bytes (missing ones read 0) into one 49-character dump line.
    static QString dumpLine(const QByteArray& sixteenBytes);
    // A whole dump of `bytes` (256 for dump A, 128 for dump B) as its lines.
    static QStringList dump(const QByteArray& bytes);
    // Dump A of 256 bytes; dump B from 128 state letters.
    static QStringList dumpA(const QByteArray& bytes) { return dump(bytes); }
    static QStringList dumpB(const QByteArray& letters) { return dump(letters); }
    // Group line with the eight group characters at positions 5..12.
    static QString groupLine(const QString& groups);
    // 128 state letters, all `fill` except the given ones.
    static QByteArray letters(char fill = 'N');
};

} // namespace zelvan::test

#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace zelvan::modsim {

// One dump line of the monitor: ":" and, for each of the 16 bytes, a blank and
// two upper-case hexadecimal digits, 49 characters in all. The line carries no
// other upper-case hexadecimal digit, so a reader that keeps only those gets
// exactly the 32 digits of the bytes.
QByteArray formatDumpLine(QByteArrayView sixteenBytes);

// The same line with one digit spoiled (replaced by "x"): still 49 characters,
// but one hexadecimal digit short.
QByteArray damageDumpLine(const QByteArray& line);

} // namespace zelvan::modsim

#pragma once

#include <QLatin1StringView>
#include <QStringView>
#include <QtGlobal>
#include <optional>

namespace zelvan {

// The numeric value of a text: leading blanks skipped, the longest decimal
// prefix (optional sign, digits, optional point and digits) read; a text
// without such a prefix reads as 0.
double numericValue(QStringView text);
double numericValue(QLatin1StringView text);

// Round to the nearest integer, halves to the even neighbour. Values beyond the
// range of a 64-bit integer are clamped.
qint64 roundHalfEven(double value);

// The numeric value rounded half to even, or nothing when it does not fit a
// 16-bit signed integer.
std::optional<qint16> toInt16(double value);

// Numeric value of the text rounded half to even as a wide integer; the callers
// check its range.
qint64 integerValue(QStringView text);

// A decimal digit 0..9 (the Latin digits only, as on the serial line and in the files).
constexpr bool isDigit(char32_t c) { return c >= U'0' && c <= U'9'; }
inline bool isDigit(QChar c) { return isDigit(char32_t(c.unicode())); }

} // namespace zelvan

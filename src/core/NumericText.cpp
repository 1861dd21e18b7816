#include "core/NumericText.h"

#include <cmath>
#include <limits>

namespace zelvan {

namespace {

template <typename View> double parseNumeric(View text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    double value = 0.0;
    bool any = false;
    while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
        value = value * 10.0 + (text[i].unicode() - '0');
        any = true;
        ++i;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        double scale = 0.1;
        while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
            value += (text[i].unicode() - '0') * scale;
            scale /= 10.0;
            any = true;
            ++i;
        }
    }
    if (!any)
        return 0.0;
    return negative ? -value : value;
}

} // namespace

double numericValue(QStringView text) { return parseNumeric(text); }

double numericValue(QLatin1StringView text) { return parseNumeric(text); }

qint64 roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double kMax = 9.2e18;
    if (value >= kMax)
        return std::numeric_limits<qint64>::max();
    if (value <= -kMax)
        return std::numeric_limits<qint64>::min();
    // nearbyint rounds with the current rounding mode, which is to-nearest-even.
    return static_cast<qint64>(std::nearbyint(value));
}

std::optional<qint16> toInt16(double value)
{
    const qint64 r = roundHalfEven(value);
    if (r < std::numeric_limits<qint16>::min() || r > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(r);
}

qint64 integerValue(QStringView text) { return roundHalfEven(numericValue(text)); }

} // namespace zelvan

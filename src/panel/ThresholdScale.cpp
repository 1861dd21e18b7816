#include "panel/ThresholdScale.h"

#include "core/NumericText.h"
#include "panel/PanelTexts.h"

#include <algorithm>

namespace zelvan::ThresholdScale {

namespace {
int clampTo(qint64 value, int low, int high) { return int(std::clamp<qint64>(value, low, high)); }

double balanceVolts(int position) { return (position + kBalanceOffset) * kVoltsPerUnit; }
double zoneVolts(int position) { return (5 * position + 5) * kVoltsPerUnit; }
int timeSeconds(int position) { return 2 * position + 2; }

QString balanceValue(int position, QChar separator)
{
    if (position <= 0)
        return PanelTexts::kBalanceBelow;
    if (position >= kBalanceMax)
        return PanelTexts::kBalanceAbove;
    return formatOneDecimal(balanceVolts(position), 0, separator) + PanelTexts::kVolt;
}
} // namespace

int balancePosition(qint64 paramA) { return clampTo(paramA - kBalanceOffset, 0, kBalanceMax); }
int zonePosition(qint64 paramB) { return clampTo(paramB, 0, kZoneMax); }
int timePosition(qint64 paramC) { return clampTo(paramC, 0, kTimeMax); }

QString formatOneDecimal(double value, int minIntegerDigits, QChar separator)
{
    const qint64 tenths = roundHalfEven(value * 10.0);
    const bool negative = tenths < 0;
    const qint64 magnitude = negative ? -tenths : tenths;
    const qint64 whole = magnitude / 10;
    const qint64 decimal = magnitude % 10;
    QString text = negative ? QStringLiteral("-") : QString();
    if (whole != 0 || minIntegerDigits > 0)
        text += QStringLiteral("%1").arg(whole, minIntegerDigits, 10, QLatin1Char('0'));
    text += separator;
    if (decimal != 0)
        text += QString::number(decimal);
    return text;
}

QString balanceLabel(int position, QChar separator)
{
    return PanelTexts::kBalancePrefix + balanceValue(position, separator);
}
QString balanceTip(int position, QChar separator) { return balanceValue(position, separator); }

QString zoneLabel(int position, QChar separator)
{
    return PanelTexts::kZonePrefix + zoneTip(position, separator);
}
QString zoneTip(int position, QChar separator)
{
    return formatOneDecimal(zoneVolts(position), 1, separator) + PanelTexts::kVolt;
}

QString timeLabel(int position) { return PanelTexts::kTimePrefix + timeTip(position); }
QString timeTip(int position)
{
    return QString::number(timeSeconds(position)) + PanelTexts::kSecond;
}

int zoneFill(int position) { return int(roundHalfEven((15.0 - position) / 16.0 * 100.0 + 1.0)); }

int balanceGaugeFill(qint64 threshold, qint64 measured)
{
    const double fill = 50.0 + 50.0 * double(threshold - measured) / 80.0;
    return int(roundHalfEven(std::clamp(fill, 0.0, 100.0)));
}

} // namespace zelvan::ThresholdScale

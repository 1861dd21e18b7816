#pragma once

#include <QChar>
#include <QString>
#include <QtGlobal>

namespace zelvan {

// The scales of the three line thresholds: slider position to stored value,
// label and tooltip texts, and the fill of the zone and balance bars. All
// arithmetic is done in wide integers or doubles and clamped, so no stored
// value can overflow it.
namespace ThresholdScale {

constexpr int kBalanceOffset = 75; // stored balance = slider position + 75
constexpr int kBalanceMax = 118;
constexpr int kZoneMax = 6;
constexpr int kTimeMax = 16;
constexpr double kVoltsPerUnit = 0.1776;

// Slider positions of an object's stored values, clamped to the slider ranges.
int balancePosition(qint64 paramA);
int zonePosition(qint64 paramB);
int timePosition(qint64 paramC);

// A number with one rounded decimal: integer part without leading zeros (at
// least minIntegerDigits of them), the separator, and the decimal digit unless
// it rounds to 0 ("19." for 19.0032).
QString formatOneDecimal(double value, int minIntegerDigits, QChar separator);

// Label texts and tooltips for a slider position.
QString balanceLabel(int position, QChar separator);
QString balanceTip(int position, QChar separator);
QString zoneLabel(int position, QChar separator);
QString zoneTip(int position, QChar separator);
QString timeLabel(int position);
QString timeTip(int position);

// Fill of both zone bars for a zone position, percent.
int zoneFill(int position);
// Fill of the balance gauge: half at the threshold, full 80 units below it,
// empty 80 above; percent 0..100, halves to even.
int balanceGaugeFill(qint64 threshold, qint64 measured);

} // namespace ThresholdScale

} // namespace zelvan

#pragma once

#include <QDateTime>
#include <QString>

namespace zelvan {

// The only source of the current date and time. Real one in platform/, a
// settable one in the tests.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// Date-time as a day serial: days since 30 December 1899, time as the fraction.
double daySerial(const QDateTime& t);
// Milliseconds in a day, for day serials and day fractions.
inline constexpr qint64 kMsPerDay = 86400000;
QDateTime fromDaySerial(double serial);
// Seconds since midnight, with milliseconds.
double secondsSinceMidnight(const QDateTime& t);
// Time of day as "hh:mm:ss", 24-hour clock.
QString timeText(const QDateTime& t);

} // namespace zelvan

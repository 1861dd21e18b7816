#include "core/Clock.h"

#include <cmath>

namespace zelvan {

namespace {
const QDate kEpoch(1899, 12, 30);
}

double daySerial(const QDateTime& t)
{
    const qint64 days = kEpoch.daysTo(t.date());
    return static_cast<double>(days) + t.time().msecsSinceStartOfDay() / 86400000.0;
}

QDateTime fromDaySerial(double serial)
{
    double whole = std::floor(serial);
    qint64 ms = std::llround((serial - whole) * 86400000.0);
    if (ms >= kMsPerDay) { // rounded up to the next midnight
        whole += 1;
        ms -= kMsPerDay;
    }
    // The time of day from its fields, not as time elapsed since midnight: on
    // the days the clock changes for summer time the two differ by an hour.
    return QDateTime(kEpoch.addDays(static_cast<qint64>(whole)),
                     QTime::fromMSecsSinceStartOfDay(int(ms)));
}

double secondsSinceMidnight(const QDateTime& t) { return t.time().msecsSinceStartOfDay() / 1000.0; }

QString timeText(const QDateTime& t) { return t.time().toString(QStringLiteral("HH:mm:ss")); }

} // namespace zelvan

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
    const double whole = std::floor(serial);
    const qint64 ms = std::llround((serial - whole) * 86400000.0);
    return QDateTime(kEpoch.addDays(static_cast<qint64>(whole)), QTime(0, 0)).addMSecs(ms);
}

double secondsSinceMidnight(const QDateTime& t) { return t.time().msecsSinceStartOfDay() / 1000.0; }

QString timeText(const QDateTime& t) { return t.time().toString(QStringLiteral("HH:mm:ss")); }

} // namespace zelvan

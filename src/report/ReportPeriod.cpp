#include "report/ReportPeriod.h"

#include "report/ReportTexts.h"

#include <algorithm>
#include <utility>

namespace zelvan {

namespace {

constexpr int kMillionths = 1000000;
constexpr int kSecondsPerDay = 86400;

// Millionths of the day at a whole number of seconds, rounded to the nearest.
int fractionOfSeconds(int seconds)
{
    return static_cast<int>((static_cast<qint64>(seconds) * kMillionths + kSecondsPerDay / 2)
                            / kSecondsPerDay);
}

QString twoDigits(int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

} // namespace

ReportPeriod::ReportPeriod(const QDate& today) { resetTo(today); }

void ReportPeriod::resetTo(const QDate& today)
{
    const QDate day = today.isValid() ? today : QDate(kFirstYear, 1, 1);
    m_year = std::max(day.year(), kFirstYear);
    m_month = day.month();
    m_fromDay = day.day();
    m_toDay = day.day();
    m_fromHour = 0;
    m_toHour = 7;
    clampDays();
}

int ReportPeriod::monthLength(int year, int month)
{
    static constexpr std::array<int, 13> kLength{0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 31;
    if (month == 2)
        return year % 4 == 0 ? 29 : 28;
    return kLength[month];
}

void ReportPeriod::clampDays()
{
    const int length = monthLength();
    m_fromDay = std::clamp(m_fromDay, 1, length);
    m_toDay = std::clamp(m_toDay, 1, length);
}

bool ReportPeriod::spinDown(PeriodSpin spin)
{
    switch (spin) {
    case PeriodSpin::Year:
        if (m_year < kFirstYear + 1)
            return false;
        --m_year;
        clampDays();
        return true;
    case PeriodSpin::Month:
        if (m_month < 2)
            return false;
        --m_month;
        clampDays();
        return true;
    case PeriodSpin::FromDay:
        if (m_fromDay < 2)
            return false;
        --m_fromDay;
        return true;
    case PeriodSpin::FromHour:
        if (m_fromHour < 1)
            return false;
        --m_fromHour;
        return true;
    case PeriodSpin::ToDay:
        if (m_toDay < m_fromDay + 1)
            return false;
        --m_toDay;
        return true;
    case PeriodSpin::ToHour:
        if (m_toHour < 1)
            return false;
        --m_toHour;
        return true;
    }
    return false;
}

bool ReportPeriod::spinUp(PeriodSpin spin)
{
    switch (spin) {
    case PeriodSpin::Year:
        ++m_year;
        clampDays();
        return true;
    case PeriodSpin::Month:
        if (m_month > 11)
            return false;
        ++m_month;
        clampDays();
        return true;
    case PeriodSpin::FromDay:
        if (m_fromDay > monthLength() - 1)
            return false;
        ++m_fromDay;
        m_toDay = std::max(m_toDay, m_fromDay);
        return true;
    case PeriodSpin::FromHour:
        if (m_fromHour > 22)
            return false;
        ++m_fromHour;
        return true;
    case PeriodSpin::ToDay:
        if (m_toDay > monthLength() - 1)
            return false;
        ++m_toDay;
        return true;
    case PeriodSpin::ToHour:
        if (m_toHour > 23)
            return false;
        ++m_toHour;
        return true;
    }
    return false;
}

bool ReportPeriod::swapHoursIfReversed()
{
    if (m_fromDay != m_toDay || m_toHour >= m_fromHour)
        return false;
    std::swap(m_fromHour, m_toHour);
    return true;
}

int ReportPeriod::startFraction() const { return fractionOfSeconds(m_fromHour * 3600); }

int ReportPeriod::endFraction() const
{
    // Until 24:00 means the whole last day: every record of the day file, also
    // those of its last second, which show as 23:59:59.
    if (m_toHour >= 24)
        return kMillionths - 1;
    return fractionOfSeconds(m_toHour * 3600);
}

PeriodLabels ReportPeriod::labels(const std::array<QString, 13>& monthNames) const
{
    using namespace ReportTexts;
    PeriodLabels l;
    l.Label1 = QString::number(m_year) + kYearSuffix;
    l.Label2 = (m_month >= 1 && m_month <= 12) ? monthNames[m_month] : QString();
    l.Label3 = kFrom + QString::number(m_fromDay);
    l.Label4 = kFrom + twoDigits(m_fromHour) + kHourSuffix;
    l.Label5 = kTo + QString::number(m_toDay);
    l.Label6 = kTo + twoDigits(m_toHour) + kHourSuffix;
    return l;
}

} // namespace zelvan

#pragma once

#include <QDate>
#include <QString>
#include <array>

namespace zelvan {

// The six spin buttons of the archive request tab, in their order.
enum class PeriodSpin
{
    Year = 1,
    Month,
    FromDay,
    FromHour,
    ToDay,
    ToHour
};

// Captions of the six period labels.
struct PeriodLabels
{
    QString Label1; // year + " год."
    QString Label2; // month name
    QString Label3; // "От  " + FromDay
    QString Label4; // "От  " + FromHour as two digits + ":00"
    QString Label5; // "До  " + ToDay
    QString Label6; // "До  " + ToHour as two digits + ":00"
};

// The period of an archive report: days and hours inside one calendar month.
// Every change goes through the spin rules, so the days always lie inside the
// month and FromDay <= ToDay.
class ReportPeriod
{
public:
    static constexpr int kFirstYear = 1996;

    // Today's year, month and day; FromHour 0, ToHour 7.
    explicit ReportPeriod(const QDate& today = QDate(kFirstYear, 1, 1));
    void resetTo(const QDate& today);

    int ReportYear() const { return m_year; }
    int ReportMonth() const { return m_month; }
    int FromDay() const { return m_fromDay; }
    int FromHour() const { return m_fromHour; }
    int ToDay() const { return m_toDay; }
    int ToHour() const { return m_toHour; }

    // Days of a month; February has 29 days in every year divisible by 4.
    static int monthLength(int year, int month);
    int monthLength() const { return monthLength(m_year, m_month); }

    // The "down" and "up" events of a spin button: change the value only when
    // its rule allows it. True when something changed.
    bool spinDown(PeriodSpin spin);
    bool spinUp(PeriodSpin spin);

    // Within one day an end hour before the start hour swaps the two hours.
    // True when they were swapped.
    bool swapHoursIfReversed();

    // Start and end of the hours window as millionths of the day, the unit of
    // the day files. An end hour of 24 reaches the end of the day.
    int startFraction() const;
    int endFraction() const;

    // The six captions; monthNames holds the names of months 1..12.
    PeriodLabels labels(const std::array<QString, 13>& monthNames) const;

private:
    void clampDays();

    int m_year = kFirstYear;
    int m_month = 1;
    int m_fromDay = 1;
    int m_fromHour = 0;
    int m_toDay = 1;
    int m_toHour = 7;
};

} // namespace zelvan

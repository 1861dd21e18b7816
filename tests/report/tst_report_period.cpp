#include "core/StationState.h"
#include "report/ReportPeriod.h"
#include "report/ReportRequest.h"

#include <QTest>

using namespace zelvan;

Q_DECLARE_METATYPE(zelvan::PeriodSpin)

namespace {
struct Values
{
    int year, month, fromDay, fromHour, toDay, toHour;
};
Values valuesOf(const ReportPeriod& p)
{
    return {p.ReportYear(), p.ReportMonth(), p.FromDay(), p.FromHour(), p.ToDay(), p.ToHour()};
}
// Presses a spin button n times; the number of presses that changed something.
int press(ReportPeriod& p, PeriodSpin spin, bool up, int n)
{
    int changed = 0;
    for (int i = 0; i < n; ++i)
        changed += up ? p.spinUp(spin) : p.spinDown(spin);
    return changed;
}
} // namespace

class TestReportPeriod : public QObject
{
    Q_OBJECT
private slots:
    void opensOnToday()
    {
        StationState state;
        state.fillMonthNames();
        const ReportPeriod p(QDate(2003, 5, 7));
        const PeriodLabels l = p.labels(state.MonthName);
        QCOMPARE(l.Label1, QStringLiteral("2003 год."));
        QCOMPARE(l.Label2, QStringLiteral("Май"));
        QCOMPARE(l.Label3, QStringLiteral("От  7"));
        QCOMPARE(l.Label4, QStringLiteral("От  00:00"));
        QCOMPARE(l.Label5, QStringLiteral("До  7"));
        QCOMPARE(l.Label6, QStringLiteral("До  07:00"));
    }

    void february29IsOffered()
    {
        // Every year divisible by 4 is a leap year, centuries too.
        QCOMPARE(ReportPeriod::monthLength(2100, 2), 29);
        QCOMPARE(ReportPeriod::monthLength(2003, 2), 28);
        ReportPeriod p(QDate(2004, 2, 27));
        QCOMPARE(press(p, PeriodSpin::ToDay, true, 5), 2);
        QCOMPARE(p.ToDay(), 29);
        QCOMPARE(press(p, PeriodSpin::FromDay, true, 5), 2);
        QCOMPARE(p.FromDay(), 29);
        // One year back has no 29th: both days are clamped to the 28th.
        QVERIFY(p.spinDown(PeriodSpin::Year));
        QCOMPARE(p.FromDay(), 28);
        QCOMPARE(p.ToDay(), 28);
        // And forward again the 29th is reachable once more.
        QVERIFY(p.spinUp(PeriodSpin::Year));
        QVERIFY(p.spinUp(PeriodSpin::ToDay));
        QCOMPARE(p.ToDay(), 29);
    }

    void spinLimits_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<PeriodSpin>("spin");
        QTest::addColumn<bool>("up");
        QTest::addColumn<int>("changes"); // of 40 presses
        QTest::addColumn<int>("value");
        QTest::newRow("year stops at 1996")
            << QDate(2000, 6, 1) << PeriodSpin::Year << false << 4 << 1996;
        QTest::newRow("month stops at January")
            << QDate(2003, 5, 7) << PeriodSpin::Month << false << 4 << 1;
        QTest::newRow("month stops at December")
            << QDate(2003, 5, 7) << PeriodSpin::Month << true << 7 << 12;
        QTest::newRow("from day stops at 1")
            << QDate(2003, 5, 7) << PeriodSpin::FromDay << false << 6 << 1;
        QTest::newRow("from day stops at 30 in April")
            << QDate(2003, 4, 7) << PeriodSpin::FromDay << true << 23 << 30;
        QTest::newRow("from hour stops at 0")
            << QDate(2003, 5, 7) << PeriodSpin::FromHour << false << 0 << 0;
        QTest::newRow("from hour stops at 23")
            << QDate(2003, 5, 7) << PeriodSpin::FromHour << true << 23 << 23;
        QTest::newRow("to day stops at from day")
            << QDate(2003, 5, 7) << PeriodSpin::ToDay << false << 0 << 7;
        QTest::newRow("to day stops at 31")
            << QDate(2003, 5, 7) << PeriodSpin::ToDay << true << 24 << 31;
        QTest::newRow("to hour stops at 0")
            << QDate(2003, 5, 7) << PeriodSpin::ToHour << false << 7 << 0;
        QTest::newRow("to hour reaches 24")
            << QDate(2003, 5, 7) << PeriodSpin::ToHour << true << 17 << 24;
    }
    void spinLimits()
    {
        QFETCH(QDate, today);
        QFETCH(PeriodSpin, spin);
        QFETCH(bool, up);
        QFETCH(int, changes);
        QFETCH(int, value);
        ReportPeriod p(today);
        QCOMPARE(press(p, spin, up, 40), changes);
        const Values v = valuesOf(p);
        const int values[] = {0, v.year, v.month, v.fromDay, v.fromHour, v.toDay, v.toHour};
        QCOMPARE(values[int(spin)], value);
        QVERIFY(p.FromDay() <= p.ToDay());
        QVERIFY(p.ToDay() <= p.monthLength());
    }

    void fromDayUpPushesToDay()
    {
        ReportPeriod p(QDate(2003, 5, 7));
        QVERIFY(p.spinUp(PeriodSpin::FromDay));
        QCOMPARE(p.ToDay(), 8);
        // Going down again leaves the end day where it is.
        QVERIFY(p.spinDown(PeriodSpin::FromDay));
        QCOMPARE(p.FromDay(), 7);
        QCOMPARE(p.ToDay(), 8);
    }

    void monthChangeClampsDays()
    {
        ReportPeriod p(QDate(2003, 3, 31));
        QVERIFY(p.spinDown(PeriodSpin::Month));
        QCOMPARE(p.ReportMonth(), 2);
        QCOMPARE(p.FromDay(), 28);
        QCOMPARE(p.ToDay(), 28);
    }

    void hoursWindow_data()
    {
        QTest::addColumn<int>("fromHour");
        QTest::addColumn<int>("toHour");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::newRow("whole day") << 0 << 24 << 0 << 999999;
        QTest::newRow("07:00") << 0 << 7 << 0 << 291667;
        QTest::newRow("noon to 23:00") << 12 << 23 << 500000 << 958333;
        QTest::newRow("08:00") << 8 << 8 << 333333 << 333333;
    }
    void hoursWindow()
    {
        QFETCH(int, fromHour);
        QFETCH(int, toHour);
        QFETCH(int, start);
        QFETCH(int, end);
        ReportPeriod p(QDate(2003, 5, 7));
        press(p, PeriodSpin::FromHour, true, fromHour);
        press(p, PeriodSpin::ToHour, true, toHour - 7);
        QCOMPARE(p.FromHour(), fromHour);
        QCOMPARE(p.ToHour(), toHour);
        QCOMPARE(p.startFraction(), start);
        QCOMPARE(p.endFraction(), end);
    }

    void hoursSwapOnlyWithinOneDay()
    {
        StationState state;
        state.fillMonthNames();
        ReportPeriod p(QDate(2003, 5, 7));
        press(p, PeriodSpin::FromHour, true, 20);
        QVERIFY(p.swapHoursIfReversed());
        QCOMPARE(p.FromHour(), 7);
        QCOMPARE(p.ToHour(), 20);
        QCOMPARE(p.labels(state.MonthName).Label4, QStringLiteral("От  07:00"));
        QCOMPARE(p.labels(state.MonthName).Label6, QStringLiteral("До  20:00"));

        ReportPeriod twoDays(QDate(2003, 5, 7));
        press(twoDays, PeriodSpin::FromHour, true, 20);
        twoDays.spinUp(PeriodSpin::ToDay);
        QVERIFY(!twoDays.swapHoursIfReversed());
        QCOMPARE(twoDays.FromHour(), 20);
    }

    void moduleBoxesSelectTheirEntries()
    {
        ReportRequest r;
        QCOMPARE(r.selectedCount(), 0);
        r.setModuleSelected(2, true);
        QCOMPARE(r.selectedCount(), 128);
        QVERIFY(!r.isSelected(255));
        QVERIFY(r.isSelected(256));
        QVERIFY(r.isSelected(383));
        QVERIFY(!r.isSelected(384));
        r.toggle(300);
        QVERIFY(!r.isSelected(300));
        r.toggle(5);
        QVERIFY(r.isSelected(5));
        r.setModuleSelected(2, false);
        QCOMPARE(r.selectedCount(), 1);
        // Indexes outside the list change nothing.
        r.setModuleSelected(8, true);
        r.toggle(1024);
        r.toggle(-1);
        QCOMPARE(r.selectedCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestReportPeriod)
#include "tst_report_period.moc"

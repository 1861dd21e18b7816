// The archive report over a whole month: 31 day files of 20,000 records each,
// a few objects selected, every kind of record asked for. Prints the time of
// one report beside the target.
//
//   build/bench/bench_report [--quick]
#include "BusyDayFiles.h"
#include "Verdict.h"

#include "core/ObjectFiles.h"
#include "events/DayArchive.h"
#include "report/ArchiveReport.h"
#include "report/ReportPeriod.h"
#include "report/ReportRequest.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace zelvan;

namespace {

constexpr int kDays = 31;
constexpr int kRecordsPerDay = 20000;
constexpr int kRuns = 15;
constexpr int kQuickRuns = 5;
constexpr double kTargetMs = 150.0;

} // namespace

int main(int argc, char** argv)
{
    bench::Verdict verdict(argc, argv);
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    ObjectFiles files(dir.path());
    if (!files.createMissing()
        || !bench::writeBusyDays(dir.path(), QDate(2026, 1, 1), kDays, kRecordsPerDay, 20031)) {
        std::fprintf(stderr, "cannot write the test files in %s\n", qPrintable(dir.path()));
        return 1;
    }

    StationState state;
    state.fillMonthNames();
    ReportRequest request;
    request.setEntries(ReportRequest::buildEntries(
        state, [](int k) { return QStringLiteral("Обект %1").arg(k); }));
    for (int entry : {4, 700})
        request.setSelected(entry, true);
    request.Check8 = true;
    request.Check9 = true;
    request.Check10 = true;
    request.Check13 = true;

    const ArchiveReport report(state, files);
    std::vector<double> times;
    ArchiveReportResult result;
    for (int run = 0; run < (verdict.quick() ? kQuickRuns : kRuns); ++run) {
        ReportPeriod period(QDate(2026, 1, 1));
        while (period.spinUp(PeriodSpin::ToDay)) {
        }
        while (period.spinUp(PeriodSpin::ToHour)) {
        }
        QElapsedTimer timer;
        timer.start();
        result = report.build(period, request);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("archive report, %d day files x %d records, %d objects selected: "
                "median %.1f ms, best %.1f ms; target under %.0f ms: %s\n",
                kDays, kRecordsPerDay, request.selectedCount(), median, times.front(), kTargetMs,
                verdict.timed(median < kTargetMs));
    // A report that found nothing would be fast for the wrong reason.
    const qsizetype lines = result.text.count(QStringLiteral("\r\n"));
    std::printf("report: %lld characters, %lld lines%s; it lists records: %s\n",
                qlonglong(result.text.size()), qlonglong(lines),
                result.limitReached ? ", ended at the size limit" : "",
                verdict.counted(lines > 10));
    return verdict.exitCode();
}

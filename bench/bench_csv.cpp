// The spreadsheet export of a whole year: 365 day files of 20,000 records
// each, every object selected and every kind of record reported, written to a
// CSV file with its temporary file, sync and rename. Prints the time and the
// peak resident memory before and after; the goal is under 5 s with the
// memory flat (the export holds one block of rows, never the file). Exits
// non-zero when the goal is not met. --quick: 30 day files, the time printed
// but not judged.

#include "BusyDayFiles.h"
#include "Verdict.h"

#include "core/ObjectFiles.h"
#include "events/DayArchive.h"
#include "report/ReportCsv.h"
#include "report/ReportRequest.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>

using namespace zelvan;

namespace {

constexpr int kRecordsPerDay = 20000;
constexpr double kTargetSeconds = 5.0;
// Growth of the peak resident memory that still counts as flat.
constexpr double kFlatMb = 32.0;

// Peak resident memory of this process (VmHWM), in MB.
double peakRssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    bench::Verdict verdict(argc, argv);
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QDate first(2025, 1, 1);
    const int days = verdict.quick() ? 30 : 365;
    ObjectFiles files(dir.path());
    if (!files.createMissing()
        || !bench::writeBusyDays(dir.path(), first, days, kRecordsPerDay, 2025)) {
        std::fprintf(stderr, "cannot write the test files in %s\n", qPrintable(dir.path()));
        return 1;
    }

    StationState state;
    state.fillMonthNames();
    ReportRequest request;
    request.setEntries(ReportRequest::buildEntries(
        state, [](int k) { return QStringLiteral("Обект %1; вход \"%2\"").arg(k).arg(k % 3); }));
    for (int m = 0; m < kModuleCount; ++m)
        request.setModuleSelected(m, true);
    request.Check8 = request.Check9 = request.Check13 = request.Check10 = true;
    const ReportScope scope{first, first.addDays(days - 1), 0, 999988};

    const QString out = QDir(dir.path()).filePath(QStringLiteral("year.csv"));
    const double rssBefore = peakRssMb();
    ReportCsvExport csv(state, files, scope, request, out);
    QElapsedTimer timer;
    timer.start();
    const bool ok = csv.runToEnd();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double rssAfter = peakRssMb();
    if (!ok) {
        std::fprintf(stderr, "the export failed\n");
        return 1;
    }
    std::printf("CSV export, %d day files x %d records: %lld rows, %.1f MB written in %.2f s "
                "(%.2f M rows/s; goal < %.0f s for 365 files)\n",
                days, kRecordsPerDay, qlonglong(csv.rowsWritten()),
                QFileInfo(out).size() / 1048576.0, seconds, csv.rowsWritten() / seconds / 1e6,
                kTargetSeconds);
    std::printf("peak resident memory: %.1f MB at the start, %.1f MB at the end "
                "(flat: growth < %.0f MB)\n",
                rssBefore, rssAfter, kFlatMb);
    // The time of the whole year, or of its share of the goal in a short run.
    const double goal = kTargetSeconds * days / 365.0;
    std::printf("time: %s\n", verdict.timed(seconds < goal));
    std::printf("memory flat: %s\n", verdict.counted(rssAfter - rssBefore < kFlatMb));
    return verdict.exitCode();
}

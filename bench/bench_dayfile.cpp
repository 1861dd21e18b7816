// Day archive throughput: appending records one file access each, and
// reading back a month of day files (31 files of 20,000 records) with the
// reader the archive report and the history view use.
//
//   build/bench/bench_dayfile [--quick]     (--quick: 2,000 appends instead of 20,000)
#include "Verdict.h"

#include "core/StationState.h"
#include "events/DayArchive.h"
#include "events/DayFile.h"
#include "support/Fakes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

using namespace zelvan;

namespace {

constexpr int kDays = 31;
constexpr int kRecordsPerDay = 20000;
const char* const kLetters = "POARBNF12345";

void writeMonth(const QString& dir, const QDate& first)
{
    for (int d = 0; d < kDays; ++d) {
        const QDate date = first.addDays(d);
        QByteArray bytes;
        bytes.reserve(kRecordsPerDay * 14);
        for (int i = 0; i < kRecordsPerDay; ++i) {
            const QDateTime t(date, QTime(0, 0).addMSecs(qint64(i) * 86400000 / kRecordsPerDay));
            bytes +=
                DayArchive::objectRecord(1 + i % kObjectCount, QChar(kLetters[i % 12]), t) + "\r\n";
        }
        QFile f(dir + QLatin1Char('/') + DayArchive::dayFileName(date));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write the bench files");
    }
}

} // namespace

int main(int argc, char** argv)
{
    bench::Verdict verdict(argc, argv);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    const int appends = verdict.quick() ? kRecordsPerDay / 10 : kRecordsPerDay;
    const QDate first(2026, 1, 1);

    // Appends: each record opens, appends and closes today's file.
    {
        test::FakeClock clock(QDateTime(first, QTime(0, 0)));
        DayArchive archive(dir.path());
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < appends; ++i) {
            clock.advanceMs(4000);
            archive.AppendDayRecord(1 + i % kObjectCount, QChar(kLetters[i % 12]), clock.now());
        }
        const double s = timer.nsecsElapsed() / 1e9;
        out << "append: " << appends << " records, each synced on its own, in " << s * 1000
            << " ms, " << qint64(appends / s) << " records/s\n";
    }

    writeMonth(dir.path(), first);
    std::vector<double> runs;
    qint64 total = 0;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer timer;
        timer.start();
        total = 0;
        for (int d = 0; d < kDays; ++d) {
            DayFileReader reader(dir.path() + QLatin1Char('/')
                                 + DayArchive::dayFileName(first.addDays(d)));
            if (!reader.open())
                continue;
            DayRecord r;
            while (reader.next(r))
                total += r.k > 0;
        }
        runs.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(runs.begin(), runs.end());
    out << "read: " << kDays << " day files, " << total << " records, median "
        << runs[runs.size() / 2] << " ms (best " << runs.front() << " ms)\n";
    return 0;
}

// A runaway signal: violation messages as fast as the pseudo-terminal takes
// them, through the real serial line into the whole station (framing,
// decoder, day file synced per batch, lists), once with 1,000 lines already
// listed and once with 1,000,000. The rate must not fall with the length of
// the list, must stay far above what a 115200-baud line can carry, and the
// million lines must fit in memory. The list is prefilled through its model,
// with lines of all 1024 objects in turn (no two neighbours equal).
//
// The two lengths are run in turns, three rounds, and the best of each is
// compared, both the elapsed rate and the station thread's CPU time a
// message. The elapsed rate of a run of a tenth of a second is at the mercy
// of whatever else the machine does in it (a single pair once read 0.68 on
// a busy machine, and with two processes spinning beside it the best of
// three still reads 0.5 to 0.8), so quick mode judges the ratio of CPU
// times, which is the cost itself and reads 0.95 to 1.05 either way.
//
//   build/bench/bench_flood [--quick] [messages] [--window] [--rounds N]
//
// --window also shows the violations window (offscreen), which follows the
// list as the operator's would.
#include "PanelOnPty.h"
#include "Verdict.h"

#include "core/Labels.h"
#include "events/AlarmList.h"
#include "windows/AlarmBlink.h"
#include "windows/AlarmForm.h"
#include "windows/ObjectInfoForm.h"

#include <QApplication>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

using namespace zelvan;

namespace {

constexpr double kCharsPerSecond = 115200.0 / 10; // start, 8 data, stop bits

// Violations of all 1024 objects in turn: their bytes and the line's rate of
// such messages.
QByteArray traffic(int messages, double& lineRate)
{
    QByteArray out;
    for (int i = 0; i < messages; ++i) {
        out += '{';
        out += char('0' + i % 8 + 1);
        out += "#A";
        out += QByteArray::number(i / 8 % 128 + 1);
        out += '\r';
    }
    lineRate = kCharsPerSecond / (double(out.size()) / messages);
    return out;
}

struct Result
{
    double rate = 0;     // messages a second, first byte written to last line listed
    double cpuUs = 0;    // the station thread's CPU time a message, in microseconds
    long rssKb = 0;      // after the flood
    int batches = 0;     // synced day-file batches
    qint64 archived = 0; // records synced
    bool complete = false;
};

Result flood(int listed, const QByteArray& bytes, int messages, bool window)
{
    bench::PanelOnPty::Options o;
    o.settings = QStringLiteral("115200,n,8,1");
    bench::PanelOnPty rig(o);
    QCoreApplication::processEvents();
    rig.pty.readNow();
    Station& station = rig.station;
    AlarmList& alarms = station.alarms();
    for (int i = 0; i < listed; ++i) {
        const int k = i % 1024 + 1;
        alarms.addViolation(FormatObjectLabel(station.state(), k)
                            + QStringLiteral("  Обект %1").arg(k));
    }

    std::unique_ptr<AlarmBlink> blink;
    std::unique_ptr<ObjectInfoForm> info;
    std::unique_ptr<AlarmForm> form;
    if (window) {
        blink = std::make_unique<AlarmBlink>(station.state(), station.alarms(), station.screen(),
                                             rig.beeper);
        info = std::make_unique<ObjectInfoForm>(
            ObjectHistory(station.state(), station.files(), rig.clock));
        form = std::make_unique<AlarmForm>(station.alarms(), station.screen(), *blink, *info);
        station.screen().setAlarmsVisible(true);
        QCoreApplication::processEvents();
    }

    Result r;
    QObject::connect(&station.archive(), &DayArchive::synced, [&r](int records) {
        ++r.batches;
        r.archived += records;
    });
    const int target = listed + messages;
    std::atomic<bool> written{false};
    const double start = bench::monotonicSeconds();
    const double cpuStart = bench::threadCpuSeconds();
    std::thread writer([&] {
        rig.pty.write(bytes);
        written = true;
    });
    double end = 0;
    QTimer poll;
    poll.setInterval(5);
    double lastMove = start;
    int lastCount = -1;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        rig.pty.readNow();
        const double now = bench::monotonicSeconds();
        if (alarms.count() != lastCount) {
            lastCount = alarms.count();
            lastMove = now;
        }
        if (alarms.count() >= target) {
            end = now;
            r.complete = true;
            QCoreApplication::quit();
        } else if (written && now - lastMove > 5.0) {
            end = now;
            QCoreApplication::quit();
        }
    });
    poll.start();
    QCoreApplication::exec();
    r.cpuUs = (bench::threadCpuSeconds() - cpuStart) / messages * 1e6;
    writer.join();
    r.rate = messages / (end - start);
    r.rssKb = bench::residentKb();
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    bench::Verdict verdict(argc, argv);
    bool window = false;
    int messages = verdict.quick() ? 10000 : 50000;
    int rounds = 3;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--window")
            window = true;
        else if (QByteArray(argv[i]) == "--rounds" && i + 1 < argc)
            rounds = std::max(1, atoi(argv[++i]));
        else
            messages = std::max(1000, atoi(argv[i]));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    double lineRate = 0;
    const QByteArray bytes = traffic(messages, lineRate);

    // The best rate of each length; whether every run of it archived
    // everything, and the most memory any run held.
    const auto keepBest = [](Result& best, const Result& r) {
        const bool complete = best.rate == 0 ? r.complete : best.complete && r.complete;
        const long rssKb = std::max(best.rssKb, r.rssKb);
        const double cpuUs = best.rate == 0 ? r.cpuUs : std::min(best.cpuUs, r.cpuUs);
        if (r.rate > best.rate)
            best = r;
        best.complete = complete;
        best.rssKb = rssKb;
        best.cpuUs = cpuUs;
    };
    Result small;
    Result large;
    for (int round = 0; round < rounds; ++round) {
        keepBest(small, flood(1000, bytes, messages, window));
        keepBest(large, flood(1000000, bytes, messages, window));
    }
    const double ratio = large.rate / small.rate;
    const double cpuRatio = small.cpuUs / large.cpuUs;
    const double overLine = large.rate / lineRate;
    const double rssMb = large.rssKb / 1024.0;
    std::printf(
        "runaway violations through the pseudo-terminal into the station%s, %d messages a run, "
        "best of %d runs of each\n",
        window ? " with the violations window shown" : "", messages, rounds);
    for (const auto& [listed, r] : {std::pair{1000, small}, std::pair{1000000, large}})
        std::printf("  %7d lines listed: %8.0f violations/s   station thread %.1f us CPU a "
                    "message   %d synced batches, %lld records%s\n",
                    listed, r.rate, r.cpuUs, r.batches, static_cast<long long>(r.archived),
                    r.complete ? "" : "   INCOMPLETE");
    std::printf("  every message archived in every run: %s\n",
                verdict.counted(small.complete && large.complete));
    std::printf("  rate ratio 1,000,000 / 1,000: %.2f   limit at least 0.80: %s\n", ratio,
                verdict.timed(ratio >= 0.8));
    std::printf("  CPU time a message, 1,000 / 1,000,000: %.2f   limit at least 0.80: %s\n",
                cpuRatio, verdict.counted(cpuRatio >= 0.8));
    std::printf("  at 1,000,000 lines %.1fx the 115200-baud line's %.0f violations/s   limit at "
                "least 10x: %s\n",
                overLine, lineRate, verdict.timed(overLine >= 10));
    std::printf("  resident memory with %d lines listed: %.1f MB   limit under 200 MB: %s\n",
                1000000 + messages, rssMb, verdict.counted(rssMb < 200));
    return verdict.exitCode();
}

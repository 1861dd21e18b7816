// Latency of one violation through the whole station: from the CR written on
// the master side of a pseudo-terminal, through QSerialPort, the framing and
// the decoder, to its line in the violations list and its record in the day
// file synced to the disk (fdatasync returned: the archive's synced signal).
// Each violation is followed by the release of the same object, which is not
// timed. A violation that did not arrive within the second the bench waits
// counts as that second in the percentiles, never left out.
//
// With --mqtt-host NAME the MQTT feed is on, as the panel runs it (its client
// on a thread of its own), towards a broker of that name on port 1883:
// scripts/bench-mqtt-resolver.sh gives it a name whose resolver never answers.
// With --dc09-host NAME:PORT the forwarder to a receiving centre is on, as
// the panel runs it (its socket on a thread of its own), towards that
// receiver: scripts/bench-dc09-synced.sh runs it against a dead one and one
// whose name never resolves.
//
//   build/bench/bench_latency [--quick] [--mqtt-host NAME | --dc09-host NAME:PORT] [violations]
#include "Dc09Bench.h"
#include "MqttBench.h"
#include "PanelOnPty.h"
#include "Verdict.h"
#include "app/OperatorDesk.h"
#include "platform/MosquittoLink.h"
#include "platform/ThreadedBrokerLink.h"
#include "platform/ThreadedReceiverLink.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

using namespace zelvan;

namespace {

constexpr double kCharAt4800Ms = 1000.0 * 10 / 4800; // start, 8 data, stop bits
constexpr int kGuardMs = 1000;                       // the longest wait for one message

// Writes one message and runs the event loop until `done` fires or a second
// passes; returns the seconds from the write to the end of the handler, and
// in cpu the CPU time this thread spent in between (the same road without
// the waits for a processor on a busy machine).
template <typename Sender, typename Signal>
double sendAndWait(bench::PanelOnPty& rig, const QByteArray& message, const Sender* sender,
                   Signal done, bool& timedOut, double* cpu = nullptr)
{
    QEventLoop loop;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    const QMetaObject::Connection c = QObject::connect(sender, done, &loop, &QEventLoop::quit);
    guard.start(kGuardMs);
    timedOut = false;
    const double cpuStart = bench::threadCpuSeconds();
    const double start = bench::monotonicSeconds();
    rig.pty.write(message);
    loop.exec();
    const double end = bench::monotonicSeconds();
    if (cpu)
        *cpu = bench::threadCpuSeconds() - cpuStart;
    QObject::disconnect(c);
    rig.pty.readNow(); // whatever the station wrote back
    return end - start;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

} // namespace

int main(int argc, char** argv)
{
    bench::Verdict verdict(argc, argv);
    QCoreApplication app(argc, argv);
    QString mqttHost;
    QString dc09Host;
    if (argc > 2
        && (std::strcmp(argv[1], "--mqtt-host") == 0 || std::strcmp(argv[1], "--dc09-host") == 0)) {
        (argv[1][2] == 'm' ? mqttHost : dc09Host) = QString::fromLocal8Bit(argv[2]);
        argv[2] = argv[0];
        argc -= 2;
        argv += 2;
    }
    const int count = argc > 1 ? std::max(10, atoi(argv[1])) : verdict.quick() ? 300 : 2000;

    bench::PanelOnPty::Options options;
    if (!mqttHost.isEmpty()) {
        options.beforeLoad = [&mqttHost](Station& s) {
            bench::writeMqttIni(s.programDir(), 1883, QStringLiteral("bench/latency"), mqttHost);
        };
    }
    if (!dc09Host.isEmpty()) {
        options.beforeLoad = [&dc09Host](Station& s) {
            bench::writeDc09Ini(s.programDir(), dc09Host.section(QLatin1Char(':'), 0, 0),
                                dc09Host.section(QLatin1Char(':'), 1).toInt());
        };
    }
    bench::PanelOnPty rig(options);
    std::unique_ptr<ThreadedBrokerLink> feed;
    if (!mqttHost.isEmpty()) {
        const MqttSettings& m = rig.station.feedSettings().settings;
        const MosquittoLink::Options o = OperatorDesk::brokerOptions(m);
        feed = std::make_unique<ThreadedBrokerLink>(
            [o] { return std::make_unique<MosquittoLink>(o); });
        if (!rig.station.startFeed(*feed))
            bench::BrokerForBench::die("the feed did not start");
        feed->start();
        std::printf("MQTT feed on, broker %s:1883 (its client on its own thread)\n",
                    qPrintable(mqttHost));
    }
    ThreadedReceiverLink receiver;
    if (!dc09Host.isEmpty()) {
        if (!rig.station.startForwarding(receiver))
            bench::BrokerForBench::die("the forwarder did not start");
        std::printf("forwarder to a receiving centre on, receiver %s (its socket on its own "
                    "thread)\n",
                    qPrintable(dc09Host));
    }
    QCoreApplication::processEvents();
    rig.pty.readNow();
    AlarmList& alarms = rig.station.alarms();
    DayArchive& archive = rig.station.archive();

    std::vector<double> ms;
    std::vector<double> cpuMs;
    ms.reserve(size_t(count));
    cpuMs.reserve(size_t(count));
    int lost = 0;
    int badRecords = 0;
    for (int i = -50; i < count; ++i) { // the first 50 warm up
        const int module = (i + 50) % 8 + 1;
        const int object = (i + 50) / 8 % 128 + 1;
        const QByteArray prefix = '{' + QByteArray::number(module);
        const qint64 sizeBefore = rig.dayFileSize();
        const int linesBefore = alarms.count();
        bool timedOut = false;
        double cpu = 0;
        const double s = sendAndWait(rig, prefix + "#A" + QByteArray::number(object) + '\r',
                                     &archive, &DayArchive::synced, timedOut, &cpu);
        // The handler has run to its end: the record is synced, the line in the list.
        const bool recorded = rig.dayFileSize() > sizeBefore;
        if (timedOut || alarms.count() != linesBefore + 1)
            ++lost;
        else if (!recorded)
            ++badRecords;
        if (i >= 0) {
            ms.push_back(timedOut ? double(kGuardMs) : s * 1000);
            cpuMs.push_back(cpu * 1000);
        }
        sendAndWait(rig, prefix + 'O' + QByteArray::number(object) + '\r', &archive,
                    &DayArchive::synced, timedOut);
    }
    const double median = percentile(ms, 0.5);
    const double p99 = percentile(ms, 0.99);
    std::printf("violation, CR on the pseudo-terminal -> violations-list line + day-file record "
                "synced to disk (fdatasync returned), %zu messages\n",
                ms.size());
    std::printf("  median %.3f ms   p99 %.3f ms   max %.3f ms   limit %.2f ms (one character at "
                "4800 baud): %s\n",
                median, p99, *std::max_element(ms.begin(), ms.end()), kCharAt4800Ms,
                verdict.timed(p99 < kCharAt4800Ms));
    std::printf("  CPU time of the station's thread on that road: median %.3f ms   p99 %.3f ms "
                "(what a processor of its own would give)\n",
                percentile(cpuMs, 0.5), percentile(cpuMs, 0.99));
    std::printf("  lost or later than %d ms %d (counted at %d ms above), without a record %d: %s\n",
                kGuardMs, lost, kGuardMs, badRecords,
                verdict.counted(lost == 0 && badRecords == 0));
    return verdict.exitCode();
}

// A 115200-baud hub line full of guard-state messages through the whole
// station: QSerialPort on a pseudo-terminal, framing, decoder, day file and
// lists. A writer thread plays the hub on the master side, paced to the
// 11,520 characters a second the line carries (then unpaced, to show the
// headroom); every message must come out as its own day-file record, the
// records in the order of the messages.
//
//   build/bench/bench_saturated [--quick] [seconds]
#include "PanelOnPty.h"
#include "Verdict.h"

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

using namespace zelvan;

namespace {

constexpr double kCharsPerSecond = 115200.0 / 10; // start, 8 data, stop bits

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

using Records = std::vector<std::pair<int, char>>;

// Violations of all 1024 objects, then their releases, and again: every
// message changes a guard state and so writes one record. As many messages as
// fill the line for the given time; in `expected` the record (k, letter) each
// message must leave, in order.
QByteArray traffic(double seconds, Records& expected)
{
    QByteArray out;
    const qsizetype size = qsizetype(seconds * kCharsPerSecond);
    out.reserve(size + 16);
    expected.clear();
    for (qint64 i = 0; out.size() < size; ++i) {
        const int module = int(i % 8) + 1;
        const int object = int(i / 8 % 128) + 1;
        const bool violation = i / 1024 % 2 == 0;
        out += '{';
        out += char('0' + module);
        out += violation ? QByteArrayLiteral("#A") : QByteArrayLiteral("O");
        out += QByteArray::number(object);
        out += '\r';
        expected.emplace_back((module - 1) * 128 + object, violation ? 'A' : 'O');
    }
    return out;
}

struct Result
{
    qint64 sent = 0;
    qint64 characters = 0;
    qint64 archived = 0;
    bool sameRecords = false; // the archived records are the messages', in order
    double writeSeconds = 0;  // the writer, first byte to last
    double drainSeconds = 0;  // last byte written to last record archived
    double stationCpu = 0;    // CPU time of the station's thread
};

Result run(const QByteArray& bytes, const Records& expected, bool paced)
{
    const auto messages = qint64(expected.size());
    bench::PanelOnPty::Options o;
    o.settings = QStringLiteral("115200,n,8,1");
    bench::PanelOnPty rig(o);
    QCoreApplication::processEvents();
    rig.pty.readNow();
    const size_t before = rig.objectRecords().size();
    const qint64 bytesBefore = rig.archivedBytes();
    constexpr qint64 kRecordBytes = 14; // an object record and its CR LF

    std::atomic<bool> written{false};
    double writeStart = 0;
    double writeEnd = 0;
    std::thread writer([&] {
        constexpr int kSliceMs = 10;
        writeStart = bench::monotonicSeconds();
        qsizetype at = 0;
        while (at < bytes.size()) {
            qsizetype due = bytes.size();
            if (paced) {
                const double elapsed = bench::monotonicSeconds() - writeStart;
                due = std::min<qsizetype>(bytes.size(), qsizetype(elapsed * kCharsPerSecond));
            }
            if (due > at) {
                rig.pty.write(bytes.mid(at, due - at));
                at = due;
            }
            if (paced)
                std::this_thread::sleep_for(std::chrono::milliseconds(kSliceMs));
        }
        writeEnd = bench::monotonicSeconds();
        written = true;
    });

    const double cpuStart = threadCpuSeconds();
    Result r;
    r.sent = messages;
    r.characters = bytes.size();
    double lastRecord = 0;
    qint64 lastCount = -1;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        rig.pty.readNow();
        const qint64 n = (rig.archivedBytes() - bytesBefore) / kRecordBytes;
        const double now = bench::monotonicSeconds();
        if (n != lastCount) {
            lastCount = n;
            lastRecord = now;
        }
        // Done when everything is archived, or nothing moved for 3 s after the writer ended.
        if (written && (n >= messages || now - std::max(lastRecord, writeEnd) > 3.0))
            QCoreApplication::quit();
    });
    poll.start();
    QCoreApplication::exec();
    r.stationCpu = threadCpuSeconds() - cpuStart;
    writer.join();
    const Records all = rig.objectRecords();
    const Records archived(all.begin() + qsizetype(before), all.end());
    r.archived = qint64(archived.size());
    r.sameRecords = archived == expected;
    r.writeSeconds = writeEnd - writeStart;
    r.drainSeconds = std::max(0.0, lastRecord - writeEnd);
    return r;
}

void report(const char* what, const Result& r)
{
    const qint64 lost = r.sent - r.archived;
    std::printf("%s\n", what);
    std::printf("  sent %lld   archived %lld   lost %lld   records the messages' in order: %s   "
                "over %.2f s (%.0f messages/s, %.0f "
                "characters/s; the line carries %.0f)\n",
                static_cast<long long>(r.sent), static_cast<long long>(r.archived),
                static_cast<long long>(lost), r.sameRecords ? "yes" : "NO", r.writeSeconds,
                r.sent / r.writeSeconds, r.characters / r.writeSeconds, kCharsPerSecond);
    std::printf("  last record %.3f s after the last character   station thread CPU %.2f s "
                "(%.0f %% of the run)\n",
                r.drainSeconds, r.stationCpu,
                100.0 * r.stationCpu / (r.writeSeconds + r.drainSeconds));
}

} // namespace

int main(int argc, char** argv)
{
    bench::Verdict verdict(argc, argv);
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(1.0, atof(argv[1])) : verdict.quick() ? 3.0 : 10.0;
    Records expected;
    const QByteArray bytes = traffic(seconds, expected);
    const double lineMessagesPerSecond = double(expected.size()) / seconds;

    const Result paced = run(bytes, expected, true);
    report("115200-baud hub line, paced to the line's rate:", paced);
    const Result unpaced = run(bytes, expected, false);
    report("the same messages written as fast as the pseudo-terminal takes them:", unpaced);
    const bool kept = paced.sameRecords && unpaced.sameRecords;
    const double cpuPerMessage = unpaced.stationCpu / double(unpaced.sent);
    std::printf("kept up with, no message lost: %s   station CPU %.1f us a message: %.0f "
                "messages/s on a processor of its own, %.1fx the line's %.0f (elapsed-time rate "
                "unpaced: %.1fx, bounded by the other load on this machine)\n",
                verdict.counted(kept), cpuPerMessage * 1e6, 1.0 / cpuPerMessage,
                (1.0 / cpuPerMessage) / lineMessagesPerSecond, lineMessagesPerSecond,
                (unpaced.sent / (unpaced.writeSeconds + unpaced.drainSeconds))
                    / lineMessagesPerSecond);
    return verdict.exitCode();
}

// A 115200-baud hub line full of guard-state messages through the whole
// station: QSerialPort on a pseudo-terminal, framing, decoder, day file and
// lists. A writer thread plays the hub on the master side, paced to the
// 11,520 characters a second the line carries (then unpaced, to show the
// headroom); every message must come out as one day-file record.
//
//   build/bench/bench_saturated [seconds]
#include "PanelOnPty.h"

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

// Violations of all 1024 objects, then their releases, and again: every
// message changes a guard state and so writes one record. As many messages as
// fill the line for the given time; their count in messages.
QByteArray traffic(double seconds, qint64& messages)
{
    QByteArray out;
    const qsizetype size = qsizetype(seconds * kCharsPerSecond);
    out.reserve(size + 16);
    messages = 0;
    for (qint64 i = 0; out.size() < size; ++i, ++messages) {
        const int module = int(i % 8) + 1;
        const int object = int(i / 8 % 128) + 1;
        out += '{';
        out += char('0' + module);
        out += (i / 1024 % 2 == 0) ? QByteArrayLiteral("#A") : QByteArrayLiteral("O");
        out += QByteArray::number(object);
        out += '\r';
    }
    return out;
}

struct Result
{
    qint64 sent = 0;
    qint64 characters = 0;
    qint64 archived = 0;
    double writeSeconds = 0; // the writer, first byte to last
    double drainSeconds = 0; // last byte written to last record archived
    double stationCpu = 0;   // CPU time of the station's thread
};

Result run(const QByteArray& bytes, qint64 messages, bool paced)
{
    bench::PanelOnPty::Options o;
    o.settings = QStringLiteral("115200,n,8,1");
    bench::PanelOnPty rig(o);
    QCoreApplication::processEvents();
    rig.pty.readNow();
    const qint64 before = rig.archivedRecords();
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
    r.archived = rig.archivedRecords() - before;
    r.writeSeconds = writeEnd - writeStart;
    r.drainSeconds = std::max(0.0, lastRecord - writeEnd);
    return r;
}

void report(const char* what, const Result& r)
{
    const qint64 lost = r.sent - r.archived;
    std::printf("%s\n", what);
    std::printf("  sent %lld   archived %lld   lost %lld   over %.2f s (%.0f messages/s, %.0f "
                "characters/s; the line carries %.0f)\n",
                static_cast<long long>(r.sent), static_cast<long long>(r.archived),
                static_cast<long long>(lost), r.writeSeconds, r.sent / r.writeSeconds,
                r.characters / r.writeSeconds, kCharsPerSecond);
    std::printf("  last record %.3f s after the last character   station thread CPU %.2f s "
                "(%.0f %% of the run)\n",
                r.drainSeconds, r.stationCpu,
                100.0 * r.stationCpu / (r.writeSeconds + r.drainSeconds));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(1.0, atof(argv[1])) : 10.0;
    qint64 messages = 0;
    const QByteArray bytes = traffic(seconds, messages);
    const double lineMessagesPerSecond = messages / seconds;

    const Result paced = run(bytes, messages, true);
    report("115200-baud hub line, paced to the line's rate:", paced);
    const Result unpaced = run(bytes, messages, false);
    report("the same messages written as fast as the pseudo-terminal takes them:", unpaced);
    const bool kept = paced.archived == paced.sent && unpaced.archived == unpaced.sent;
    const double cpuPerMessage = unpaced.stationCpu / double(unpaced.sent);
    std::printf("kept up with, no message lost: %s   station CPU %.1f us a message: %.0f "
                "messages/s on a processor of its own, %.1fx the line's %.0f (elapsed-time rate "
                "unpaced: %.1fx, bounded by the other load on this machine)\n",
                kept ? "met" : "NOT met", cpuPerMessage * 1e6, 1.0 / cpuPerMessage,
                (1.0 / cpuPerMessage) / lineMessagesPerSecond, lineMessagesPerSecond,
                (unpaced.sent / (unpaced.writeSeconds + unpaced.drainSeconds))
                    / lineMessagesPerSecond);
    return kept ? 0 : 1;
}

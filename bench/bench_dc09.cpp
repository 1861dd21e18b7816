// The forwarder to a receiving centre against the real DC-09 receiver of
// iobroker.sia on loopback, over TCP:
// - records forwarded per second: `count` violations archived first, then
//   forwarded from the cursor (one message in flight, as the receiver
//   answers in order), against a minimal client of this benchmark's own that
//   sends the same messages to the same receiver in the same run, one at a
//   time. Goal: at least the fastest line's 1,610 records/s, or, where the
//   receiver itself is slower, within 10 % of the minimal client;
// - the time from a violation's CR on the pseudo-terminal to the receiver's
//   ACK back at the panel, p99. Goal: under 100 ms.
//
//   build/bench/bench_dc09 [--quick] [records] [violations timed]
#include "Dc09Bench.h"
#include "MqttBench.h"
#include "PanelOnPty.h"
#include "Verdict.h"
#include "dc09/Dc09Forwarder.h"
#include "dc09/Dc09Frame.h"
#include "platform/ThreadedReceiverLink.h"
#include "support/Dc09Receivers.h"

#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <thread>
#include <vector>

using namespace zelvan;

namespace {

constexpr double kLineRate = 1610;
constexpr double kClientShare = 0.9;
constexpr double kGoalMs = 100;
constexpr int kObjects = 128; // of module 1: accounts 01001 .. 01128

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

[[noreturn]] void die(const char* why)
{
    std::fprintf(stderr, "bench_dc09: %s\n", why);
    std::exit(2);
}

// The minimal client: a message, its answer, the next; connecting again
// when the receiver closed the connection. Records per second.
double minimalClient(int port, int count)
{
    QTcpSocket socket;
    QByteArray answer;
    int sent = 0;
    int acked = 0;
    int seq = 0;
    QByteArray frame;
    auto next = [&] {
        const int k = sent % kObjects + 1;
        const QByteArray account = "01" + QByteArray::number(k).rightJustified(3, '0');
        seq = seq >= 9999 ? 1 : seq + 1;
        frame = dc09::build({"SIA-DCS", seq, "1", "1", account},
                            '#' + account + "|Nti"
                                + QTime::currentTime().toString("HH:mm:ss").toLatin1() + "/BA1",
                            QDateTime::currentDateTimeUtc());
        ++sent;
        socket.write(frame);
    };
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] {
        answer += socket.readAll();
        while (answer.contains('\r')) {
            answer.remove(0, answer.indexOf('\r') + 1);
            if (++acked < count)
                next();
        }
    });
    QObject::connect(&socket, &QTcpSocket::connected, [&] {
        if (sent > acked)
            socket.write(frame); // the message the closed connection took
        else
            next();
    });
    QObject::connect(&socket, &QTcpSocket::disconnected, [&] {
        answer.clear();
        socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
    });
    const double start = bench::monotonicSeconds();
    socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
    if (!bench::waitFor([&] { return acked >= count; }, 600000))
        die("the minimal client was not answered");
    const double seconds = bench::monotonicSeconds() - start;
    QObject::disconnect(&socket, nullptr, nullptr, nullptr);
    return count / seconds;
}

void writeViolations(bench::PanelOnPty& rig, int count)
{
    QByteArray traffic;
    for (int i = 0; i < count; ++i)
        traffic += "{1#A" + QByteArray::number(i % kObjects + 1) + '\r' + "{1O"
                   + QByteArray::number(i % kObjects + 1) + '\r';
    const qint64 wanted = rig.archivedRecords() + 2 * qint64(count);
    std::thread writer([&rig, &traffic] { rig.pty.write(traffic); });
    if (!bench::waitFor([&] { return rig.archivedRecords() >= wanted; }, 300000))
        die("the station did not archive every record");
    writer.join();
}

} // namespace

int main(int argc, char** argv)
{
    bench::Verdict verdict(argc, argv);
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(100, atoi(argv[1])) : verdict.quick() ? 1000 : 5000;
    const int timed = argc > 2 ? std::max(10, atoi(argv[2])) : verdict.quick() ? 200 : 1000;

    QList<test::RealReceiver::Account> accounts{{"0000", {}, false}};
    for (int k = 1; k <= kObjects; ++k)
        accounts.append({"01" + QByteArray::number(k).rightJustified(3, '0'), {}, false});
    test::RealReceiver receiver;
    QString error;
    if (!receiver.start(accounts, &error))
        die(qPrintable(error));

    bench::PanelOnPty::Options o;
    o.beforeLoad = [&](Station& s) {
        bench::writeDc09Ini(s.programDir(), QStringLiteral("127.0.0.1"), receiver.port());
    };
    bench::PanelOnPty rig(o);
    // A violation and its release: the alarm, then the restore and the opening.
    writeViolations(rig, count / 3);
    const int records = int(rig.archivedRecords());
    const int messages = count / 3 * 3;

    minimalClient(receiver.port(), 2000); // the receiver's code warmed up, not counted
    const double clientFirst = minimalClient(receiver.port(), messages);
    ThreadedReceiverLink link;
    const double start = bench::monotonicSeconds();
    if (!rig.station.startForwarding(link))
        die("the forwarder did not start");
    dc09::Forwarder& forwarder = *rig.station.forwarder();
    if (!bench::waitFor([&] { return forwarder.cursor().line >= records; }, 600000))
        die("the forwarder did not catch up");
    const double seconds = bench::monotonicSeconds() - start;
    const double forwarded = messages / seconds;
    const double clientAfter = minimalClient(receiver.port(), messages);
    const double client = std::max(clientFirst, clientAfter);
    const double recordsPerSecond = records / seconds;
    const bool rateMet = recordsPerSecond >= kLineRate || forwarded >= kClientShare * client;
    std::printf("DC-09 over TCP to iobroker.sia's receiver on loopback, %d records replayed from "
                "the cursor (%d messages, one in flight): %.0f records/s, %.0f messages/s; the "
                "minimal client %.0f and %.0f messages/s (before and after): %.2f of it; goal at "
                "least %.0f records/s or %.0f %% of the client: %s\n",
                records, messages, recordsPerSecond, forwarded, clientFirst, clientAfter,
                forwarded / client, kLineRate, kClientShare * 100, verdict.timed(rateMet));

    // One violation at a time, CR to the ACK back at the panel.
    std::vector<double> ms;
    int lost = 0;
    QByteArray ackedText;
    QObject::connect(&forwarder, &dc09::Forwarder::acknowledged,
                     [&](const QString&, const QByteArray& text) { ackedText = text; });
    for (int i = -20; i < timed; ++i) {
        const QByteArray object = QByteArray::number((i + 20) % kObjects + 1);
        ackedText.clear();
        const double t0 = bench::monotonicSeconds();
        rig.pty.write("{1#A" + object + '\r');
        const bool got = bench::waitFor([&] { return ackedText.mid(4, 2) == "65"; }, 5000);
        const double took = (bench::monotonicSeconds() - t0) * 1000;
        if (!got)
            ++lost;
        if (i >= 0)
            ms.push_back(got ? took : 5000);
        ackedText.clear();
        rig.pty.write("{1O" + object + '\r');
        bench::waitFor([&] { return ackedText.mid(4, 2) == "79"; }, 5000);
        rig.pty.readNow();
    }
    const double p99 = percentile(ms, 0.99);
    std::printf("violation, CR on the pseudo-terminal -> the receiver's ACK at the panel, %zu "
                "messages: p50 %.2f ms   p99 %.2f ms   max %.2f ms   goal p99 under %.0f ms: %s "
                "(lost %d: %s)\n",
                ms.size(), percentile(ms, 0.5), p99, *std::max_element(ms.begin(), ms.end()),
                kGoalMs, verdict.timed(p99 < kGoalMs), lost, verdict.counted(lost == 0));
    return verdict.exitCode();
}

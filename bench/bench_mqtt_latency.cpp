// One violation from its CR on the pseudo-terminal, through the station
// (QSerialPort, framing, decoder, day file synced), the publisher and a real
// mosquitto broker on loopback, to a subscriber's receipt of its record
// (mosquitto_sub, QoS 1). Goal: p99 under 20 ms. Each violation is followed
// by the release of the same object, not timed.
//
//   build/bench/bench_mqtt_latency [violations]
#include "MqttBench.h"
#include "PanelOnPty.h"
#include "app/OperatorDesk.h"
#include "feed/EventPublisher.h"
#include "platform/MosquittoLink.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <vector>

using namespace zelvan;

namespace {

constexpr double kGoalMs = 20.0;

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(10, atoi(argv[1])) : 2000;
    bench::BrokerForBench broker;
    broker.start();
    const QString prefix = QStringLiteral("bench/latency");
    const int port = broker.broker.port();

    bench::PanelOnPty::Options o;
    o.beforeLoad = [&](Station& s) { bench::writeMqttIni(s.programDir(), port, prefix); };
    bench::PanelOnPty rig(o);
    const MqttSettings& m = rig.station.feedSettings().settings;
    MosquittoLink link(OperatorDesk::brokerOptions(m));
    if (!rig.station.startFeed(link))
        bench::BrokerForBench::die("the feed did not start");
    link.start();

    test::MqttSubscriber sub(port, QStringLiteral("watcher"), QStringLiteral("watcher-pass"),
                             {prefix + QStringLiteral("/event")}, QStringLiteral("bench-sub"));
    if (!sub.start() || !bench::waitFor([&] { return link.isConnected(); }, 10000))
        bench::BrokerForBench::die("no connection");
    // The subscription is in place once a retained probe has come through.
    test::publishOnce(port, "watcher", "watcher-pass", prefix + "/event", "probe", true);
    if (!bench::waitFor([&] { return sub.lines().contains("probe"); }, 10000))
        bench::BrokerForBench::die("the subscriber did not subscribe");
    test::publishOnce(port, "watcher", "watcher-pass", prefix + "/event", {}, true);
    QCoreApplication::processEvents();
    rig.pty.readNow();

    std::vector<double> ms;
    int lost = 0;
    for (int i = -50; i < count; ++i) {
        const int module = (i + 50) % 8 + 1;
        const int object = (i + 50) / 8 % 128 + 1;
        const int k = (module - 1) * 128 + object;
        const QByteArray prefixBytes = '{' + QByteArray::number(module);
        const QByteArray want =
            "\"record\":\"" + QByteArray::number(k).rightJustified(4, '0') + "65";
        const qsizetype seen = sub.lines().size();
        const double start = bench::monotonicSeconds();
        rig.pty.write(prefixBytes + "#A" + QByteArray::number(object) + '\r');
        double end = 0;
        const bool got = bench::waitFor(
            [&] {
                const QList<QByteArray>& lines = sub.lines();
                for (qsizetype j = seen; j < lines.size(); ++j) {
                    if (lines[j].contains(want)) {
                        end = bench::monotonicSeconds();
                        return true;
                    }
                }
                return false;
            },
            5000);
        if (!got)
            ++lost;
        else if (i >= 0)
            ms.push_back((end - start) * 1000);
        const qsizetype before = sub.lines().size();
        rig.pty.write(prefixBytes + 'O' + QByteArray::number(object) + '\r');
        bench::waitFor([&] { return sub.lines().size() > before; }, 5000);
        rig.pty.readNow();
    }
    if (ms.empty()) {
        std::printf("no violation reached the subscriber (%d lost)\n", lost);
        return 1;
    }
    const double p50 = percentile(ms, 0.5);
    const double p99 = percentile(ms, 0.99);
    std::printf("violation, CR on the pseudo-terminal -> subscriber's receipt through mosquitto on "
                "loopback, %zu messages: p50 %.3f ms   p99 %.3f ms   max %.3f ms   goal p99 under "
                "%.0f ms: %s (lost %d)\n",
                ms.size(), p50, p99, *std::max_element(ms.begin(), ms.end()), kGoalMs,
                p99 < kGoalMs && lost == 0 ? "met" : "NOT met", lost);
    return p99 < kGoalMs && lost == 0 ? 0 : 1;
}

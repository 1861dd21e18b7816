// 10,000 violations through the station on a pseudo-terminal with the
// publisher off (no mqtt.ini) and with mqtt.ini naming a broker that cannot
// be reached (a loopback port nobody listens on: every attempt is refused,
// again and again): the violations handled per second in each, and their
// ratio. Goal: at least 0.9.
//
//   build/bench/bench_mqtt_unreachable [violations]
#include "MqttBench.h"
#include "PanelOnPty.h"
#include "app/OperatorDesk.h"
#include "feed/EventPublisher.h"
#include "platform/MosquittoLink.h"
#include "platform/ThreadedBrokerLink.h"

#include <memory>
#include <thread>

using namespace zelvan;

namespace {

constexpr double kGoal = 0.9;

// Violations per second through the station, the records synced.
double violationsPerSecond(bench::PanelOnPty& rig, int count)
{
    QCoreApplication::processEvents();
    rig.pty.readNow();
    const qint64 before = rig.archivedRecords();
    QByteArray traffic;
    for (int i = 0; i < count; ++i)
        traffic +=
            '{' + QByteArray::number(i % 8 + 1) + "#A" + QByteArray::number(i / 8 % 128 + 1) + '\r';
    const double start = bench::monotonicSeconds();
    // Written from a thread of its own: the station reads on this one, and
    // the traffic is more than the pseudo-terminal holds.
    std::thread writer([&rig, &traffic] { rig.pty.write(traffic); });
    qint64 bytesWanted = rig.archivedBytes() + qint64(count) * 14;
    const bool archived =
        bench::waitFor([&] { return rig.archivedBytes() >= bytesWanted; }, 120000);
    if (!archived) // (the writer may wait for a reader for ever: the process ends)
        bench::BrokerForBench::die("the station did not archive every violation");
    writer.join();
    const double seconds = bench::monotonicSeconds() - start;
    if (rig.archivedRecords() < before + count)
        bench::BrokerForBench::die("records missing");
    return count / seconds;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(100, atoi(argv[1])) : 10000;
    const int nobody = test::MosquittoBroker::freePort();

    double off = 0;
    double unreachable = 0;
    // Alternated, best of three each, so that a busy moment of the machine
    // does not decide the ratio.
    for (int round = 0; round < 3; ++round) {
        {
            bench::PanelOnPty rig;
            off = std::max(off, violationsPerSecond(rig, count));
        }
        {
            bench::PanelOnPty::Options o;
            o.beforeLoad = [&](Station& s) {
                bench::writeMqttIni(s.programDir(), nobody, QStringLiteral("bench/unreachable"));
            };
            bench::PanelOnPty rig(o);
            const MqttSettings& m = rig.station.feedSettings().settings;
            const MosquittoLink::Options lo = OperatorDesk::brokerOptions(m);
            // As the panel runs it: the client on a thread of its own.
            ThreadedBrokerLink link([lo] { return std::make_unique<MosquittoLink>(lo); });
            if (!rig.station.startFeed(link))
                bench::BrokerForBench::die("the feed did not start");
            link.start();
            unreachable = std::max(unreachable, violationsPerSecond(rig, count));
            if (rig.station.screen().problems().isEmpty())
                bench::BrokerForBench::die("the unreachable broker is not shown");
        }
    }
    const double ratio = unreachable / off;
    std::printf("%d violations through the station: publisher off %.0f/s, broker unreachable "
                "%.0f/s, ratio %.3f (goal at least %.1f): %s\n",
                count, off, unreachable, ratio, kGoal, ratio >= kGoal ? "met" : "NOT met");
    return ratio >= kGoal ? 0 : 1;
}

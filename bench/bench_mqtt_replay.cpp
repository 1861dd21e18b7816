// Records published to a real mosquitto broker, in two runs:
//   live:   the records are written by the archive while the publisher is
//           connected (each batch synced, then read from the day file and
//           sent); goal at least 20x the 115200-baud line's 1,610
//           violations/s = 32,200 records/s;
//   replay: after an outage, the records waiting in the day files (1,000,000
//           by default) sent from the cursor; goal at least 50,000 records/s
//           with memory flat (resident memory grows by less than 16 MB).
// Both print the rate of the first and the last fifth of the run and their
// ratio: the cost of one record must not grow with what came before.
// The client runs on its own thread, as the panel runs it; --direct runs it
// on the publisher's thread instead, to see what the hand-over costs.
//
//   build/bench/bench_mqtt_replay [--direct] [replay records] [live records]
#include "MqttBench.h"
#include "PanelOnPty.h"
#include "feed/EventPublisher.h"
#include "platform/MosquittoLink.h"
#include "platform/ThreadedBrokerLink.h"
#include "support/EngineFixture.h"

#include <memory>

using namespace zelvan;

namespace {

constexpr double kLiveGoal = 32200;
constexpr double kReplayGoal = 50000;
constexpr long kFlatKb = 16 * 1024;

struct Run
{
    double seconds = 0;
    double firstFifth = 0; // records/s
    double lastFifth = 0;
    long rssGrowthKb = 0;
};

std::unique_ptr<BrokerLink> makeLink(int port, const QString& prefix, bool direct)
{
    MosquittoLink::Options o;
    o.host = QStringLiteral("127.0.0.1");
    o.port = port;
    o.username = QStringLiteral("station");
    o.password = "station-pass";
    o.clientId = QStringLiteral("bench-") + QString::number(QCoreApplication::applicationPid());
    o.willTopic = prefix + QStringLiteral("/status");
    if (direct)
        return std::make_unique<MosquittoLink>(o);
    return std::make_unique<ThreadedBrokerLink>([o] { return std::make_unique<MosquittoLink>(o); });
}

// Follows the cursor until it has passed `records` records.
Run follow(EventPublisher& p, qint64 records)
{
    Run run;
    const long rss0 = bench::residentKb();
    long rssMax = rss0;
    const double start = bench::monotonicSeconds();
    double atFifth = 0;
    double atFourFifths = 0;
    double sampled = 0;
    const bool done = bench::waitFor(
        [&] {
            const qint64 n = p.cursor().line;
            const double now = bench::monotonicSeconds();
            // Read from /proc ten times a second, not at every event.
            if (now - sampled >= 0.1) {
                sampled = now;
                rssMax = std::max(rssMax, bench::residentKb());
            }
            if (atFifth == 0 && n >= records / 5)
                atFifth = now;
            if (atFourFifths == 0 && n >= records * 4 / 5)
                atFourFifths = now;
            return n >= records;
        },
        600000);
    if (!done)
        bench::BrokerForBench::die("the publisher did not finish");
    const double end = bench::monotonicSeconds();
    run.seconds = end - start;
    run.firstFifth = double(records / 5) / (atFifth - start);
    run.lastFifth = double(records - records * 4 / 5) / (end - atFourFifths);
    run.rssGrowthKb = rssMax - rss0;
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool direct = args.removeAll(QStringLiteral("--direct")) > 0;
    const qint64 replayRecords = args.size() > 0 ? std::max(1000, args[0].toInt()) : 1000000;
    const qint64 liveRecords = args.size() > 1 ? std::max(1000, args[1].toInt()) : 200000;
    bench::BrokerForBench broker;
    broker.start();
    const QString prefix = QStringLiteral("bench/replay");
    bool ok = true;

    {
        // The outage: the records are in the day file before the publisher connects.
        test::EngineFixture f;
        {
            const DayArchive::Batch batch(&f.archive);
            for (qint64 i = 0; i < replayRecords; ++i) {
                f.archive.AppendDayRecord(int(i % 1024) + 1, QLatin1Char(i % 2 ? 'O' : 'A'),
                                          f.clock.now());
                if (i % 10000 == 9999) {
                    f.archive.flushPending();
                }
            }
        }
        auto link = makeLink(broker.broker.port(), prefix, direct);
        EventPublisher p({f.state, f.files, f.alarms, f.archive, f.screen, f.clock}, *link,
                         {prefix, false, "bench", f.home.filePath("mqtt.cursor"), 256, {}});
        p.start();
        link->start();
        const Run r = follow(p, replayRecords);
        const double rate = double(replayRecords) / r.seconds;
        const bool met = rate >= kReplayGoal && r.rssGrowthKb < kFlatKb;
        ok = ok && met;
        std::printf("%s\n", direct ? "client on the publisher's thread"
                                   : "client on its own thread, as the panel runs it");
        std::printf("replay of %lld records after an outage: %.0f records/s (goal %.0f), first "
                    "fifth %.0f/s, last fifth %.0f/s, ratio %.2f; resident memory grew %ld kB "
                    "(flat: under %ld kB): %s\n",
                    static_cast<long long>(replayRecords), rate, kReplayGoal, r.firstFifth,
                    r.lastFifth, r.lastFifth / r.firstFifth, r.rssGrowthKb, kFlatKb,
                    met ? "met" : "NOT met");
    }
    {
        // Live: the archive writes while the publisher follows.
        test::EngineFixture f;
        auto link = makeLink(broker.broker.port(), prefix + QStringLiteral("-live"), direct);
        EventPublisher p(
            {f.state, f.files, f.alarms, f.archive, f.screen, f.clock}, *link,
            {prefix + "-live", false, "bench", f.home.filePath("mqtt.cursor"), 256, {}});
        link->start();
        if (!bench::waitFor([&] { return link->isConnected(); }, 10000))
            bench::BrokerForBench::die("no connection");
        p.start();
        qint64 written = 0;
        const long rss0 = bench::residentKb();
        const double start = bench::monotonicSeconds();
        double atFifth = 0;
        double atFourFifths = 0;
        // 100 records per handler, as a busy line's notification brings them;
        // with 20,000 waiting the writer sleeps until the publisher's next event.
        QTimer tick;
        tick.start(50);
        while (p.cursor().line < liveRecords) {
            if (written < liveRecords && written - p.cursor().line < 20000) {
                const DayArchive::Batch batch(&f.archive);
                for (int i = 0; i < 100 && written < liveRecords; ++i, ++written)
                    f.archive.AppendDayRecord(int(written % 1024) + 1, QLatin1Char('A'),
                                              f.clock.now());
                QCoreApplication::processEvents();
            } else {
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            }
            const double now = bench::monotonicSeconds();
            if (atFifth == 0 && p.cursor().line >= liveRecords / 5)
                atFifth = now;
            if (atFourFifths == 0 && p.cursor().line >= liveRecords * 4 / 5)
                atFourFifths = now;
            if (now - start > 600)
                bench::BrokerForBench::die("the live run did not finish");
        }
        const double end = bench::monotonicSeconds();
        const double rate = double(liveRecords) / (end - start);
        const double first = double(liveRecords / 5) / (atFifth - start);
        const double last = double(liveRecords - liveRecords * 4 / 5) / (end - atFourFifths);
        const bool met = rate >= kLiveGoal;
        ok = ok && met;
        std::printf("live: %lld records written, synced and published (acknowledged by the "
                    "broker): %.0f records/s (goal %.0f), first fifth %.0f/s, last fifth %.0f/s, "
                    "ratio %.2f; resident memory grew %ld kB: %s\n",
                    static_cast<long long>(liveRecords), rate, kLiveGoal, first, last, last / first,
                    bench::residentKb() - rss0, met ? "met" : "NOT met");
    }
    return ok ? 0 : 1;
}

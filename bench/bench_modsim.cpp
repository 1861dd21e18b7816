// Throughput of the module simulator: how fast it produces object traffic and
// answers the start-up exchange, measured in memory without any line.

#include "modsim/ModuleSimulator.h"
#include "modsim/RandomTraffic.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

using namespace zelvan::modsim;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);

    {
        ModuleSimulator sim;
        qint64 bytes = 0;
        QObject::connect(&sim, &ModuleSimulator::output,
                         [&bytes](int, const QByteArray& b) { bytes += b.size(); });
        RandomTraffic traffic(sim);
        constexpr quint64 kEvents = 1000000;
        traffic.start(10000, 1, kEvents);
        QElapsedTimer t;
        t.start();
        while (traffic.running())
            sim.advance(1000);
        const double s = double(t.nsecsElapsed()) / 1e9;
        std::printf("random traffic: %llu events, %lld bytes in %.3f s: %.0f events/s, %.1f MB/s\n",
                    static_cast<unsigned long long>(traffic.sent()), static_cast<long long>(bytes),
                    s, double(traffic.sent()) / s, double(bytes) / s / 1e6);
    }
    {
        ModuleSimulator sim;
        qint64 bytes = 0;
        QObject::connect(&sim, &ModuleSimulator::output,
                         [&bytes](int, const QByteArray& b) { bytes += b.size(); });
        QByteArray commands = "}0\r}1\r}2\r}3\r}4\r}5\r}6\r}7\r}8\r";
        for (int m = 1; m <= 8; ++m) {
            const QByteArray a = "}" + QByteArray::number(m);
            commands += a + "Ver\r\r" + a + "mon\rRB600,100\r" + a + "R2400,80\r" + a + "NOMON\r";
        }
        constexpr int kRounds = 2000;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kRounds; ++i)
            sim.receive(1, commands);
        const double s = double(t.nsecsElapsed()) / 1e9;
        const qint64 perStart = bytes / kRounds;
        std::printf(
            "start-up of 8 modules: %lld bytes to the panel, %lld from it; %.1f us to answer; "
            "the replies need %.2f s on a 4800-baud line\n",
            static_cast<long long>(perStart), static_cast<long long>(commands.size()),
            s / kRounds * 1e6, double(perStart) * 10.0 / 4800.0);
    }
    return 0;
}

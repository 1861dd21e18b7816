#pragma once

#include <QObject>
#include <random>

namespace zelvan::modsim {

class ModuleSimulator;

// Seeded object events at a steady rate for load and soak runs: violations,
// releases and takes of installed objects of the modules that are talking,
// each one a plausible next state of its object. Runs on the simulator's clock.
class RandomTraffic
{
public:
    explicit RandomTraffic(ModuleSimulator& sim);

    // ratePerSecond > 0; maxEvents 0 = no limit; durationMs 0 = no limit.
    void start(double ratePerSecond, quint32 seed, quint64 maxEvents = 0, qint64 durationMs = 0);
    void stop();
    bool running() const { return m_running; }
    quint64 sent() const { return m_sent; }

private:
    void scheduleNext();
    void fire(quint64 generation);
    bool sendOne();

    ModuleSimulator& m_sim;
    std::mt19937 m_random;
    double m_rate = 0;
    quint64 m_maxEvents = 0;
    qint64 m_startMs = 0;
    qint64 m_endMs = 0;
    quint64 m_tick = 0;
    quint64 m_sent = 0;
    quint64 m_generation = 0;
    bool m_running = false;
};

} // namespace zelvan::modsim

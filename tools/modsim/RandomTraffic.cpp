#include "modsim/RandomTraffic.h"

#include "modsim/ModuleSimulator.h"
#include "modsim/ModuleTexts.h"

#include <cmath>

namespace zelvan::modsim {

RandomTraffic::RandomTraffic(ModuleSimulator& sim) : m_sim(sim) {}

void RandomTraffic::start(double ratePerSecond, quint32 seed, quint64 maxEvents, qint64 durationMs)
{
    stop();
    if (!(ratePerSecond > 0))
        return;
    m_random.seed(seed);
    m_rate = ratePerSecond;
    m_maxEvents = maxEvents;
    m_startMs = m_sim.nowMs();
    m_endMs = durationMs > 0 ? m_startMs + durationMs : 0;
    m_tick = 0;
    m_sent = 0;
    m_running = true;
    scheduleNext();
}

void RandomTraffic::stop()
{
    m_running = false;
    ++m_generation; // a timer already scheduled finds itself outdated
}

void RandomTraffic::scheduleNext()
{
    // Event i is due at i / rate seconds after the start, so the rate holds
    // over any stretch of time without drifting.
    ++m_tick;
    const qint64 due =
        m_startMs + static_cast<qint64>(std::floor(static_cast<double>(m_tick) * 1000.0 / m_rate));
    if (m_endMs > 0 && due > m_endMs) {
        m_running = false;
        return;
    }
    const quint64 generation = m_generation;
    m_sim.schedule(due - m_sim.nowMs(), [this, generation]() { fire(generation); });
}

void RandomTraffic::fire(quint64 generation)
{
    if (generation != m_generation || !m_running)
        return;
    if (sendOne())
        ++m_sent;
    if (m_maxEvents > 0 && m_sent >= m_maxEvents) {
        m_running = false;
        return;
    }
    scheduleNext();
}

bool RandomTraffic::sendOne()
{
    QList<int> modules;
    for (int m = 1; m <= ModuleSimulator::kModules; ++m) {
        if (m_sim.module(m).talking() && m_sim.module(m).installedCount() > 0)
            modules.append(m);
    }
    if (modules.isEmpty())
        return false;
    const int m =
        modules[static_cast<qsizetype>(m_random() % static_cast<quint32>(modules.size()))];
    const SimulatedModule& mod = m_sim.module(m);
    QList<int> groups;
    for (int g = 0; g < SimulatedModule::kGroups; ++g) {
        if (mod.groupInstalled(g))
            groups.append(g);
    }
    const int g = groups[static_cast<qsizetype>(m_random() % static_cast<quint32>(groups.size()))];
    const int n = g * SimulatedModule::kObjectsPerGroup + static_cast<int>(m_random() % 16) + 1;
    const bool either = (m_random() & 1) != 0;
    switch (mod.object(n).state) {
    case kStateViolated:
        return either ? m_sim.release(m, n, (m_random() & 1) != 0) : m_sim.take(m, n);
    case kStateTaken:
        return either ? m_sim.violate(m, n) : m_sim.release(m, n, (m_random() & 1) != 0);
    case kStateTakeRequested:
        return m_sim.take(m, n);
    default:
        return either ? m_sim.violate(m, n) : m_sim.take(m, n);
    }
}

} // namespace zelvan::modsim

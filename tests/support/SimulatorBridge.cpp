#include "support/SimulatorBridge.h"

#include "modsim/ModuleSimulator.h"
#include "support/Fakes.h"

namespace zelvan::test {

SimulatorBridge::SimulatorBridge(modsim::ModuleSimulator& sim, FakeSerialLine& line1,
                                 FakeSerialLine& line2)
    : m_sim(sim), m_lines{&line1, &line2}
{
    QObject::connect(&m_sim, &modsim::ModuleSimulator::output, &m_sim,
                     [this](int line, const QByteArray& bytes) {
                         if (line == 1 || line == 2)
                             m_pending[size_t(line - 1)] += bytes;
                     });
}

int SimulatorBridge::settle(int maxRounds)
{
    int rounds = 0;
    for (; rounds < maxRounds; ++rounds) {
        bool moved = false;
        for (int i = 0; i < 2; ++i) {
            const QByteArray written = m_lines[size_t(i)]->takeWritten();
            if (!written.isEmpty()) {
                m_toModules += quint64(written.size());
                m_sim.receive(i + 1, written);
                moved = true;
            }
        }
        for (int i = 0; i < 2; ++i) {
            QByteArray out;
            out.swap(m_pending[size_t(i)]);
            if (!out.isEmpty()) {
                moved = true;
                // A closed port hears nothing.
                if (m_lines[size_t(i)]->isOpen()) {
                    m_toPanel += quint64(out.size());
                    m_lines[size_t(i)]->feed(out);
                }
            }
        }
        if (!moved)
            break;
    }
    return rounds;
}

void SimulatorBridge::advance(qint64 ms)
{
    settle();
    m_sim.advance(ms);
    settle();
}

} // namespace zelvan::test

#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <array>

namespace zelvan::modsim {
class ModuleSimulator;
}

namespace zelvan::test {

class FakeSerialLine;

// Joins the panel's two fake lines to the module simulator: what the panel
// writes goes to the simulator, what the modules say is fed to the panel,
// round after round until both sides are quiet.
class SimulatorBridge
{
public:
    SimulatorBridge(modsim::ModuleSimulator& sim, FakeSerialLine& line1, FakeSerialLine& line2);

    // Moves bytes both ways until neither side has anything left to say.
    // Returns the number of rounds (bounded: a conversation that never ends
    // stops after maxRounds).
    int settle(int maxRounds = 10000);
    // Moves the simulator's clock (delayed replies, scenario steps), then settles.
    void advance(qint64 ms);

    quint64 bytesToModules() const { return m_toModules; }
    quint64 bytesToPanel() const { return m_toPanel; }

private:
    modsim::ModuleSimulator& m_sim;
    std::array<FakeSerialLine*, 2> m_lines;
    std::array<QByteArray, 2> m_pending;
    quint64 m_toModules = 0;
    quint64 m_toPanel = 0;
};

} // namespace zelvan::test

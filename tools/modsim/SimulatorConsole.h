#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace zelvan::modsim {

class ModuleSimulator;
class RandomTraffic;

// The text commands of the simulator, one per line, as typed on standard input
// or read from a scenario file. Each command returns the text to show (empty
// when there is nothing to say); errors begin with "error:".
class SimulatorConsole
{
public:
    SimulatorConsole(ModuleSimulator& sim, RandomTraffic& traffic);

    QString execute(const QString& line);
    bool quitRequested() const { return m_quit; }

    // Timed commands: "<ms> <command>" at ms after the scenario starts, or
    // "+<ms> <command>" ms after the previous line; "#" begins a comment.
    // Returns the errors found (nothing is scheduled when there are any).
    QStringList loadScenario(const QString& text);
    // Where the replies of scenario commands go.
    void setPrinter(std::function<void(const QString&)> print) { m_print = std::move(print); }

    static QString commandHelp();
    // How the simulated modules and hub behave where the panel does not fix it.
    static QString behaviourHelp();

private:
    QString status() const;
    QString states(int m) const;

    ModuleSimulator& m_sim;
    RandomTraffic& m_traffic;
    std::function<void(const QString&)> m_print;
    quint32 m_garbageSeed = 1;
    bool m_quit = false;
};

} // namespace zelvan::modsim

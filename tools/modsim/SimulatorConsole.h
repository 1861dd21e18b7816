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
    // Who plays "hangup": takes line 1 or 2 down for the milliseconds given
    // and back up; false when the line cannot hang up (not open, already down).
    // Without one, "hangup" answers an error.
    void setHangUp(std::function<bool(int line, qint64 downMs)> hangUp)
    {
        m_hangUp = std::move(hangUp);
    }
    // Who plays "drop A|B": one side of a split line goes away for good
    // (side 0 or 1); false when it is gone already. Without one, "drop"
    // answers an error.
    void setDrop(std::function<bool(int side)> drop) { m_drop = std::move(drop); }
    // Told every command that was carried out (typed or from the scenario),
    // e.g. to log the faults beside the events they fell between.
    void setObserver(std::function<void(const QString&)> observe)
    {
        m_observe = std::move(observe);
    }

    // Lines "status" adds after its own, e.g. the characters each side of a
    // split line wrote.
    void setStatusLines(std::function<QStringList()> lines) { m_statusLines = std::move(lines); }

    static QString commandHelp();
    // How the simulated modules and hub behave where the panel does not fix it.
    static QString behaviourHelp();

private:
    QString run(const QStringList& args, const QString& line);
    QString status() const;
    QString states(int m) const;

    ModuleSimulator& m_sim;
    RandomTraffic& m_traffic;
    std::function<void(const QString&)> m_print;
    std::function<bool(int, qint64)> m_hangUp;
    std::function<bool(int)> m_drop;
    std::function<void(const QString&)> m_observe;
    std::function<QStringList()> m_statusLines;
    quint32 m_garbageSeed = 1;
    bool m_quit = false;
};

} // namespace zelvan::modsim

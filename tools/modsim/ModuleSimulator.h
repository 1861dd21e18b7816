#pragma once

#include "modsim/SimulatedModule.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <array>
#include <functional>
#include <map>
#include <optional>

namespace zelvan::modsim {

enum class Topology
{
    Hub,    // one line; "}" + digit addresses commands, "{" + digit precedes replies
    Direct, // module 1 on line 1, module 2 on line 2, no addressing
};

// A guard-state message a module sent, with the archive record it stands for.
struct GuardEvent
{
    quint64 sequence = 0; // 1, 2, ... in the order sent
    qint64 timeMs = 0;    // simulator clock when sent
    int module = 0;
    int object = 0;
    char record = 0;    // 'A' violated, 'O' released, 'P' taken
    QByteArray message; // the text sent, without addressing and CR
};

// The hub and up to eight modules. Bytes the panel writes go in through
// receive(); what the modules say comes out through output(). Time only moves
// through advance(), so delayed replies and generated traffic are deterministic.
class ModuleSimulator : public QObject
{
    Q_OBJECT
public:
    static constexpr int kModules = 8;
    static constexpr int kMaxCommandLength = 256;

    explicit ModuleSimulator(Topology topology = Topology::Hub, QObject* parent = nullptr);

    Topology topology() const { return m_topology; }
    // Lines in use: 1 in hub topology, 2 in direct topology.
    int lineCount() const { return m_topology == Topology::Hub ? 1 : 2; }

    // Module m (1..8). In direct topology modules 3..8 are never present.
    SimulatedModule& module(int m) { return m_modules[static_cast<size_t>(m - 1)]; }
    const SimulatedModule& module(int m) const { return m_modules[static_cast<size_t>(m - 1)]; }
    static bool validModule(int m) { return m >= 1 && m <= kModules; }
    // The hub's own answer to "}0" (hub topology only).
    bool hubAnswering() const { return m_hubAnswering; }
    void setHubAnswering(bool on) { m_hubAnswering = on; }

    // Delay between the acknowledgement "P"n of a take command and "#P"n.
    void setTakeDelayMs(int ms) { m_takeDelayMs = std::max(0, ms); }
    int takeDelayMs() const { return m_takeDelayMs; }

    // ---- the line
    // Bytes written by the panel on line 1 or 2.
    void receive(int line, QByteArrayView bytes);
    // Command lines that overflowed and were dropped by the modules.
    quint64 droppedCommands() const { return m_droppedCommands; }

    // ---- time
    qint64 nowMs() const { return m_now; }
    void advance(qint64 ms);
    // Milliseconds until the next scheduled action, or nothing when idle.
    std::optional<qint64> msUntilNextAction() const;
    // Runs action at nowMs() + delayMs (in scheduling order among equal times).
    void schedule(qint64 delayMs, std::function<void()> action);

    // ---- things happening at the objects (false when the module is absent or
    // the object number is out of 1..128). A module that is silent still
    // changes state but reports nothing.
    bool violate(int m, int n);
    // Release reported as "O"n (the form the module uses for a release at the
    // object; the acknowledgement of an "O" command is "#O"n).
    bool release(int m, int n, bool hashForm = false);
    bool take(int m, int n);
    // Board switched on (s0 = 0) or off (s0 = 1); code and flags replace the
    // object's board code and signal flags when given.
    bool boardMessage(int m, int n, int s0, const QByteArray& code = {},
                      const QByteArray& flags = {});
    bool setMeasured(int m, int n, int value);
    // The module reports one of its settings ('B', 'Z' or 'T') as "#B"n,v.
    bool reportSetting(int m, int n, char which, int value);
    // Sets a state letter without telling anyone (initial states for the dumps).
    bool presetState(int m, int n, char letter);

    // ---- the modules themselves
    bool silence(int m);
    // Module m answers the presence probe and nothing else: a version request,
    // a read or a command gets no reply. revive() ends it.
    bool promptsOnly(int m);
    bool revive(int m);
    // Power cycle: monitor mode off and the greeting (version reply) sent again.
    // The object memory is battery backed and kept unless clearStates is set.
    bool restart(int m, bool clearStates = false);
    // The next dump of module m has one digit spoiled.
    bool damageNextDump(int m);

    // ---- line noise
    // count characters of noise on a line, in lines that no decoder acts on
    // (never 49 characters, never beginning with ".", a digit, "O", "P" or "#"),
    // each ended by CR. With raw set: any byte values, no guarantees.
    void garbage(int line, int count, quint32 seed, bool raw = false);
    // One line of length characters of harmless text from module m.
    bool overlongLine(int m, int length);

    // Every guard-state message sent so far, oldest first, when keeping is on.
    void setKeepEvents(bool keep) { m_keepEvents = keep; }
    const QList<GuardEvent>& events() const { return m_events; }
    quint64 guardEventCount() const { return m_sequence; }

signals:
    // Bytes from the modules (and the hub) on line 1 or 2.
    void output(int line, const QByteArray& bytes);
    // A guard-state message was put on the line.
    void guardEventSent(const zelvan::modsim::GuardEvent& event);
    // Module m answered a read of its whole guard-state area with an
    // undamaged dump: the 128 state letters it carried, object 1 first. The
    // panel that reads it archives a taken or violated record per object.
    void stateDumpSent(int m, const QByteArray& letters);

private:
    struct LineInput
    {
        QByteArray command;
        bool overflow = false;
        bool afterBrace = false;
        int target = 0; // hub: addressed module, -1 = none
    };

    class Batch;
    friend class Batch;

    void processByte(int line, char c);
    void dispatch(int line, int target, const QByteArray& command);
    void hubCommand(const QByteArray& command);
    void moduleCommand(int m, const QByteArray& command);
    void monitorRead(int m, const QByteArray& command);
    void setSetting(int m, char which, const QByteArray& args);

    // Output of module m (0 = hub): a line ended by CR, or a prompt character.
    void sendLine(int m, const QByteArray& text);
    void sendPrompt(int m);
    void sendRaw(int line, const QByteArray& bytes);
    void sendGuardEvent(int m, int n, char record, const QByteArray& message);
    int lineOf(int m) const;
    bool usable(int m) const;
    void flush();

    Topology m_topology;
    std::array<SimulatedModule, kModules> m_modules;
    std::array<LineInput, 2> m_input{};
    std::array<QByteArray, 2> m_pending{};
    std::array<bool, kModules> m_damageNext{};
    QList<std::pair<int, QByteArray>> m_queuedInput;
    std::multimap<std::pair<qint64, quint64>, std::function<void()>> m_timers;
    QList<GuardEvent> m_events;
    bool m_hubAnswering = true;
    bool m_keepEvents = false;
    bool m_receiving = false;
    int m_batchDepth = 0;
    int m_takeDelayMs = 300;
    qint64 m_now = 0;
    quint64 m_timerSeq = 0;
    quint64 m_sequence = 0;
    quint64 m_droppedCommands = 0;
};

} // namespace zelvan::modsim

Q_DECLARE_METATYPE(zelvan::modsim::GuardEvent)

#pragma once

#include <QByteArray>
#include <QList>
#include <array>

namespace zelvan::modsim {

// What one module knows about one of its objects.
struct SimulatedObject
{
    char state = 'N';                 // guard-state letter N, O, P, A or T
    int balance = 120;                // balance threshold, 75..193
    int zone = 5;                     // zone tolerance, 0..15
    int time = 3;                     // time setting, 0..15
    int measured = 118;               // value answered to a line measurement
    QByteArray boardCode = "00";      // subscriber board code, "00" = none
    QByteArray signalFlags = "00000"; // five signal flags of the board
};

// One line-monitoring module: its configuration, its 128 objects and the
// replies it builds from them. It does no I/O; ModuleSimulator routes the lines.
class SimulatedModule
{
public:
    static constexpr int kObjects = 128;
    static constexpr int kGroups = 8;
    static constexpr int kObjectsPerGroup = 16;

    explicit SimulatedModule(int number = 1);

    int number() const { return m_number; }

    bool present() const { return m_present; }
    void setPresent(bool present) { m_present = present; }
    bool answering() const { return m_answering; }
    void setAnswering(bool answering) { m_answering = answering; }
    // Present and answering: the module talks on the line.
    bool talking() const { return m_present && m_answering; }
    // Answers the presence probe with its prompt and every other command with nothing.
    bool promptsOnly() const { return m_promptsOnly; }
    void setPromptsOnly(bool on) { m_promptsOnly = on; }

    bool groupInstalled(int g) const;
    void setGroupInstalled(int g, bool installed);
    // Eight characters, group 0 first: "N" absent, anything else installed.
    void setGroups(QByteArrayView groups);
    QByteArray groupCharacters() const;
    // Object n (1..128) belongs to an installed group.
    bool installed(int n) const;
    int installedCount() const;

    static bool validObject(int n) { return n >= 1 && n <= kObjects; }
    SimulatedObject& object(int n) { return m_objects[static_cast<size_t>(n - 1)]; }
    const SimulatedObject& object(int n) const { return m_objects[static_cast<size_t>(n - 1)]; }
    // Every object back to never taken.
    void clearStates();

    bool monitorMode() const { return m_monitor; }
    void setMonitorMode(bool on) { m_monitor = on; }

    // ">" normally, "*" in monitor mode, "!" while an object is violated.
    char promptCharacter() const;

    // Banner, firmware line, address line, group line.
    QList<QByteArray> versionReply() const;
    QByteArray groupLine() const;

    // One byte of the module memory as the monitor reads it.
    quint8 memoryByte(quint32 address) const;
    // The dump lines answering a read of count bytes from address (whole
    // lines of 16 bytes; count is bounded).
    QList<QByteArray> readMemory(quint32 address, quint32 count) const;

private:
    int m_number;
    bool m_present = true;
    bool m_answering = true;
    bool m_promptsOnly = false;
    bool m_monitor = false;
    std::array<bool, kGroups> m_groups{};
    std::array<SimulatedObject, kObjects> m_objects{};
};

} // namespace zelvan::modsim

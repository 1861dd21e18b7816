#pragma once

#include "core/ModuleCommands.h"
#include "core/StationState.h"

#include <QByteArray>
#include <QString>

namespace zelvan {

class SerialLine;

// Everything the panel says to the modules: SendToModule routes a command to
// its module (hub prefix "}" + digit, or port 1 / port 2 in direct topology);
// TstMdl sends the presence probe. A command for a port that is not open is
// dropped and counted.
class CommandSender : public ModuleCommands
{
public:
    CommandSender(const StationState& state, SerialLine& port1, SerialLine& port2);

    // The caller supplies the closing CR.
    bool SendToModule(const QString& command, int m) override;
    void TstMdl() override;
    // Raw write to port 1 or 2 (start-up writes, state restore); dropped when closed.
    // False when the port is closed: the bytes are dropped and counted.
    bool writeRaw(int port, const QByteArray& bytes);

    SerialLine& port(int port) const;
    quint64 droppedCount() const { return m_dropped; }

private:
    const StationState& m_state;
    SerialLine& m_port1;
    SerialLine& m_port2;
    quint64 m_dropped = 0;
};

} // namespace zelvan

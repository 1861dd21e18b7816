#include "link/CommandSender.h"

#include "core/Cp1251.h"
#include "core/SerialLine.h"

#include <cstdlib>

namespace zelvan {

CommandSender::CommandSender(const StationState& state, SerialLine& port1, SerialLine& port2)
    : m_state(state), m_port1(port1), m_port2(port2)
{
}

bool CommandSender::SendToModule(const QString& command, int m)
{
    const QByteArray text = toCp1251(command);
    if (m_state.hubTopology()) {
        // The hub forwards the rest of the line to the module named by the digit.
        QByteArray line;
        line.reserve(text.size() + 2);
        line.append('}');
        line.append(char('0' + std::abs(m) % 10));
        line.append(text);
        return writeRaw(1, line);
    }
    return writeRaw(m == 1 ? 1 : 2, text);
}

void CommandSender::TstMdl()
{
    if (m_port1.isOpen() && m_state.hubTopology()) {
        // One empty command to each address: a live module answers with a prompt.
        for (int m = 0; m <= kModuleCount; ++m) {
            const char line[] = {'}', char('0' + m), '\r'};
            m_port1.write(QByteArray(line, sizeof line));
        }
        return;
    }
    if (m_port1.isOpen())
        m_port1.write(QByteArrayLiteral("\r"));
    if (m_port2.isOpen())
        m_port2.write(QByteArrayLiteral("\r"));
}

bool CommandSender::writeRaw(int port, const QByteArray& bytes)
{
    SerialLine& line = this->port(port);
    if (!line.isOpen()) {
        ++m_dropped;
        return false;
    }
    line.write(bytes);
    return true;
}

SerialLine& CommandSender::port(int port) const { return port == 1 ? m_port1 : m_port2; }

} // namespace zelvan

#pragma once

#include <QByteArray>
#include <QString>

namespace zelvan::test {

// The master side of a pseudo-terminal: the test plays the modules through it
// while the panel opens the slave path as its serial port.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool isValid() const { return m_fd >= 0; }
    QString slavePath() const { return m_slave; }
    int fd() const { return m_fd; }
    bool write(const QByteArray& bytes);
    // Reads what is waiting now, without blocking.
    QByteArray readNow();
    void close();

private:
    int m_fd = -1;
    QString m_slave;
};

} // namespace zelvan::test

#include "support/PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace zelvan::test {

PseudoTerminal::PseudoTerminal()
{
    m_fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0)
        return;
    if (::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0) {
        close();
        return;
    }
    m_slave = QString::fromLocal8Bit(::ptsname(m_fd));
    // Raw on the master side too: no echo, no CR/LF translation.
    termios t{};
    if (::tcgetattr(m_fd, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(m_fd, TCSANOW, &t);
    }
}

PseudoTerminal::~PseudoTerminal() { close(); }

void PseudoTerminal::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool PseudoTerminal::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                pollfd p{m_fd, POLLOUT, 0};
                ::poll(&p, 1, 100);
                continue;
            }
            return false;
        }
        done += n;
    }
    return true;
}

QByteArray PseudoTerminal::readNow()
{
    QByteArray out;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, n);
    }
    return out;
}

} // namespace zelvan::test

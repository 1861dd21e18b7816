#include "platform/TerminationSignals.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace zelvan {

namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

// The write end of the pipe of the one instance; read by the handler only.
volatile sig_atomic_t g_writeEnd = -1;

void onSignal(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    if (g_writeEnd >= 0) {
        // A full pipe already holds a signal that ends the program.
        const ssize_t written = ::write(g_writeEnd, &number, 1);
        (void)written;
    }
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (g_writeEnd >= 0 || ::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_writeEnd = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    m_installed = true;
    for (int s : kSignals)
        m_installed = ::sigaction(s, &action, nullptr) == 0 && m_installed;
}

TerminationSignals::~TerminationSignals()
{
    if (m_pipe[1] < 0)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int s : kSignals)
        ::sigaction(s, &action, nullptr);
    g_writeEnd = -1;
    delete m_notifier;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void TerminationSignals::readSignal()
{
    unsigned char number = 0;
    while (::read(m_pipe[0], &number, 1) == 1)
        emit received(number);
}

} // namespace zelvan

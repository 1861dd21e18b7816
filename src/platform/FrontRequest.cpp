#include "platform/FrontRequest.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace zelvan {

namespace {

// The write end of the instance's pipe, for the signal handler (which may use
// nothing but async-signal-safe calls).
std::atomic<int> g_wakeFd{-1};

extern "C" void onFrontSignal(int)
{
    const int saved = errno;
    const int fd = g_wakeFd.load();
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

FrontRequest::FrontRequest(QObject* parent) : QObject(parent)
{
    if (g_wakeFd.load() >= 0 || ::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_wakeFd.store(m_pipe[1]);
    struct sigaction action = {};
    action.sa_handler = onFrontSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGUSR1, &action, nullptr);
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &FrontRequest::drain);
}

FrontRequest::~FrontRequest()
{
    if (m_notifier) {
        struct sigaction action = {};
        action.sa_handler = SIG_IGN;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGUSR1, &action, nullptr);
        g_wakeFd.store(-1);
    }
    for (int fd : m_pipe)
        if (fd >= 0)
            ::close(fd);
}

bool FrontRequest::ask(qint64 pid) { return pid > 0 && ::kill(pid_t(pid), SIGUSR1) == 0; }

void FrontRequest::drain()
{
    char buffer[64];
    bool any = false;
    while (::read(m_pipe[0], buffer, sizeof buffer) > 0)
        any = true;
    if (any)
        emit requested();
}

} // namespace zelvan

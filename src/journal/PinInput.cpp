#include "journal/PinInput.h"

#include <cerrno>
#include <unistd.h>

namespace zelvan {

namespace {

// The signal that came while the echo was off; 0 when none did. A signal
// handler can do no more than note it: the reading loop sees the note when
// its read() returns EINTR.
volatile std::sig_atomic_t g_signalWhileHidden = 0;

extern "C" void noteSignal(int signal) { g_signalWhileHidden = signal; }

constexpr int kSignals[PinInput::EchoOff::kWatchedSignals] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP};

} // namespace

bool PinInput::isTerminal() const { return ::isatty(m_fd) == 1; }

PinInput::Outcome PinInput::readLine(QByteArray& line)
{
    line.clear();
    line.reserve(kKeptBytes);
    m_error.clear();
    bool readAny = false;
    for (;;) {
        char c = 0;
        const ssize_t n = ::read(m_fd, &c, 1);
        if (n < 0 && errno == EINTR && g_signalWhileHidden == 0)
            continue;
        if (n < 0) {
            m_error = qt_error_string(errno);
            return Outcome::Failed;
        }
        if (n == 0)
            break;
        readAny = true;
        if (c == '\n')
            break;
        if (line.size() < kKeptBytes)
            line.append(c);
    }
    if (line.endsWith('\r'))
        line.chop(1);
    return readAny ? Outcome::Line : Outcome::End;
}

PinInput::EchoOff::EchoOff(const PinInput& input) : m_fd(input.m_fd)
{
    if (::tcgetattr(m_fd, &m_saved) != 0)
        return;
    g_signalWhileHidden = 0;
    struct sigaction note
    {
    };
    note.sa_handler = noteSignal; // no SA_RESTART: the read returns EINTR
    sigemptyset(&note.sa_mask);
    for (int i = 0; i < kWatchedSignals; ++i)
        ::sigaction(kSignals[i], &note, &m_handlers[i]);
    m_hidden = true;
    termios hidden = m_saved;
    hidden.c_lflag &= ~tcflag_t(ECHO | ECHONL);
    ::tcsetattr(m_fd, TCSAFLUSH, &hidden);
}

PinInput::EchoOff::~EchoOff()
{
    if (!m_hidden)
        return;
    ::tcsetattr(m_fd, TCSAFLUSH, &m_saved);
    for (int i = 0; i < kWatchedSignals; ++i)
        ::sigaction(kSignals[i], &m_handlers[i], nullptr);
    const int signal = g_signalWhileHidden;
    g_signalWhileHidden = 0;
    if (signal != 0)
        std::raise(signal);
}

} // namespace zelvan

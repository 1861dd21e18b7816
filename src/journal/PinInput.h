#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <csignal>
#include <termios.h>

namespace zelvan {

// Where the command line reads a PIN: standard input, typed at a terminal or
// given by a script as one line (--pin-stdin). The PIN goes into a buffer of
// its own, never grown (so never copied by a reallocation), for the caller to
// wipe.
class PinInput
{
public:
    // Longer lines are read to their end and cut to this (a PIN is far shorter).
    static constexpr qsizetype kKeptBytes = 64;

    explicit PinInput(int fd) : m_fd(fd) {}

    bool isTerminal() const;

    enum class Outcome
    {
        Line,   // a line, possibly cut, possibly the last one without its LF
        End,    // the end of the input before any byte
        Failed, // a read error, or a signal while the echo was off
    };
    // One line into `line`, without its line end (LF, or CR LF).
    Outcome readLine(QByteArray& line);
    // The system's reason of Failed.
    QString errorString() const { return m_error; }

    // While it lives, what is typed at the terminal is not shown. Input typed
    // ahead is dropped. The terminal is set back when it ends; a signal that
    // would end the program meanwhile (Ctrl-C) ends the wait for the line,
    // the terminal is set back, and the signal is raised again.
    class EchoOff
    {
    public:
        explicit EchoOff(const PinInput& input);
        ~EchoOff();
        EchoOff(const EchoOff&) = delete;
        EchoOff& operator=(const EchoOff&) = delete;

        // Ctrl-C and Ctrl-\ at the terminal, kill, the terminal hung up.
        static constexpr int kWatchedSignals = 4;

    private:
        int m_fd;
        bool m_hidden = false;
        termios m_saved{};
        std::array<struct sigaction, kWatchedSignals> m_handlers{};
    };

private:
    int m_fd;
    QString m_error;
};

} // namespace zelvan

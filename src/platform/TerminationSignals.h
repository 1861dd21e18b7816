#pragma once

#include <QObject>

class QSocketNotifier;

namespace zelvan {

// SIGTERM (a service stopped), SIGINT (Ctrl-C) and SIGHUP (the terminal
// gone) end the program the way closing it does: the event loop is left and
// everything is taken down in order, so the journal gets its "exit" line and
// day records that could not be written are kept for the next start. The
// signal handler only writes the signal's number into a pipe; the event loop
// reads it and says received().
//
// One instance at a time (a signal handler has nowhere else to find its pipe).
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override; // the signals' default actions come back

    // False when the pipe or a handler could not be set up: the signals then
    // keep their default action.
    bool installed() const { return m_installed; }

signals:
    void received(int signal);

private:
    void readSignal();

    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
    bool m_installed = false;
};

} // namespace zelvan

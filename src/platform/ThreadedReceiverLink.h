#pragma once

#include "core/ReceiverLink.h"

#include <QThread>

namespace zelvan {

class SocketReceiverLink;

// The link to a receiving centre on a thread of its own: the socket, the name
// resolution and a receiver that is slow or gone never hold the thread that
// sends (the station's). Messages and answers cross between the threads as
// queued calls, in order; one message is in flight at a time, so there is
// nothing to batch.
class ThreadedReceiverLink : public ReceiverLink
{
    Q_OBJECT
public:
    // How long the destructor waits for the worker (a name being resolved
    // cannot be interrupted); past it the worker is left to the process's end.
    static constexpr int kStopMs = 3000;

    explicit ThreadedReceiverLink(QObject* parent = nullptr);
    ~ThreadedReceiverLink() override;
    ThreadedReceiverLink(const ThreadedReceiverLink&) = delete;
    ThreadedReceiverLink& operator=(const ThreadedReceiverLink&) = delete;

    void send(const QString& host, quint16 port, bool udp, const QByteArray& message) override;
    void drop() override;

    const QThread& thread() const { return *m_thread; }

private:
    QThread* m_thread;
    SocketReceiverLink* m_inner; // lives on m_thread
};

} // namespace zelvan

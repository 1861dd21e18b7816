#pragma once

#include "core/BrokerLink.h"

#include <QThread>
#include <functional>
#include <memory>

namespace zelvan {

// A broker link that runs on its own thread, so that nothing the network does
// (a name resolved at each attempt, a TLS handshake, a socket that blocks)
// ever holds the thread that called it.
//
// The inner link is made by `make` on the worker thread and lives there with
// its notifiers and timers. publish() numbers each message with a sequence
// number of its own and passes it on as a queued call; delivered() announces
// that number, and connectionChanged() and failed() come back queued as well.
// A message handed over while the worker has just lost its connection is
// dropped there; the publisher sends it again after connectionChanged(false),
// and an acknowledgement of an earlier connection matches no number it still
// waits for.
class ThreadedBrokerLink : public BrokerLink
{
    Q_OBJECT
public:
    using Factory = std::function<std::unique_ptr<BrokerLink>()>;

    // How long the destructor waits for the worker (a name being resolved
    // cannot be interrupted); past it the worker is left to the process's end.
    static constexpr int kStopMs = 3000;

    explicit ThreadedBrokerLink(Factory make, QObject* parent = nullptr);
    ~ThreadedBrokerLink() override;
    ThreadedBrokerLink(const ThreadedBrokerLink&) = delete;
    ThreadedBrokerLink& operator=(const ThreadedBrokerLink&) = delete;

    void start() override;
    int publish(const QString& topic, const QByteArray& payload, bool retain) override;
    bool isConnected() const override { return m_connected; }

    // The worker thread, for tests that check where the inner link runs.
    const QThread& thread() const { return *m_thread; }

private:
    class Worker;

    std::unique_ptr<QThread> m_thread;
    Worker* m_worker = nullptr; // lives on m_thread, deleted there
    int m_nextSeq = 1;
    bool m_connected = false;
};

} // namespace zelvan

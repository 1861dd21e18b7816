#pragma once

#include "core/BrokerLink.h"

#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace zelvan {

// Items handed from one thread to another under a lock. put() says whether
// the box was empty, so that the sender posts one call to the receiver for
// the whole run of items that take() then collects.
template <typename T> class Mailbox
{
public:
    bool put(T item)
    {
        const std::lock_guard lock(m_mutex);
        m_items.push_back(std::move(item));
        return m_items.size() == 1;
    }
    std::vector<T> take()
    {
        std::vector<T> items;
        const std::lock_guard lock(m_mutex);
        items.swap(m_items);
        return items;
    }

private:
    std::mutex m_mutex;
    std::vector<T> m_items;
};

// A broker link that runs on its own thread, so that nothing the network does
// (a name resolved at each attempt, a TLS handshake, a socket that blocks)
// ever holds the thread that called it.
//
// The inner link is made by `make` on the worker thread and lives there with
// its notifiers and timers. publish() numbers each message with a sequence
// number of its own and puts it in a box the worker empties; delivered()
// announces that number. subscribe() goes through the same box, in its order
// with the messages, and reaches the inner link connected or not (it
// subscribes again after each connection). What the worker hears (connection
// changes, acknowledgements, refusals, failures, messages received) comes
// back through a second box, in the order it happened. The first item put
// into an empty box starts a zero timer that tells the other thread once the
// turn of the loop is over: a burst of a few hundred messages, or of their
// acknowledgements, crosses in one event rather than one each.
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
    void subscribe(const QString& topic) override;

    // The worker thread, for tests that check where the inner link runs.
    const QThread& thread() const { return *m_thread; }

private:
    struct Outgoing
    {
        enum class Kind
        {
            Message,
            Subscription // to topic
        } kind = Kind::Message;
        int seq = 0;
        QString topic;
        QByteArray payload;
        bool retain = false;
    };
    struct Report
    {
        enum class Kind
        {
            Connection,
            Delivered,
            Refused,
            Failed,
            Received
        } kind = Kind::Failed;
        int seq = 0;
        bool connected = false;
        QString text; // a reason; the topic of a message received
        QByteArray payload;
        bool retained = false;
    };

    class Worker;

    void takeReports();

    // Shared with the worker, which may outlive this object when it is stuck.
    std::shared_ptr<Mailbox<Outgoing>> m_outbox;
    std::shared_ptr<Mailbox<Report>> m_inbox;
    std::unique_ptr<QThread> m_thread;
    Worker* m_worker = nullptr; // lives on m_thread, deleted there
    QTimer m_endOfTurn;
    int m_nextSeq = 1;
    bool m_connected = false;
};

} // namespace zelvan

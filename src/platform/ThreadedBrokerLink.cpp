#include "platform/ThreadedBrokerLink.h"

#include "core/Logging.h"

#include <QHash>
#include <QStringList>
#include <QTimer>
#include <climits>

namespace zelvan {

// The worker's side: the inner link and the map from its message ids to the
// caller's sequence numbers, both touched on the worker thread only.
class ThreadedBrokerLink::Worker : public QObject
{
    Q_OBJECT
public:
    Worker(Factory make, std::shared_ptr<Mailbox<Outgoing>> outbox,
           std::shared_ptr<Mailbox<Report>> inbox)
        : m_make(std::move(make)), m_outbox(std::move(outbox)), m_inbox(std::move(inbox)),
          m_endOfTurn(this)
    {
        // Everything the inner link reports in one turn of this thread's
        // loop (all the acknowledgements read at one wake-up) crosses at once.
        m_endOfTurn.setSingleShot(true);
        m_endOfTurn.setInterval(0);
        connect(&m_endOfTurn, &QTimer::timeout, this, &Worker::reportsWaiting);
    }

    void open()
    {
        m_link = m_make();
        connect(m_link.get(), &BrokerLink::connectionChanged, this, [this](bool connected) {
            m_sequence.clear();
            report({Report::Kind::Connection, 0, connected, {}, {}, false});
        });
        connect(m_link.get(), &BrokerLink::delivered, this,
                [this](int id) { answer(Report::Kind::Delivered, id, {}); });
        connect(m_link.get(), &BrokerLink::failed, this, [this](const QString& reason) {
            report({Report::Kind::Failed, 0, false, reason, {}, false});
        });
        connect(m_link.get(), &BrokerLink::refused, this,
                [this](int id, const QString& why) { answer(Report::Kind::Refused, id, why); });
        connect(m_link.get(), &BrokerLink::received, this,
                [this](const QString& topic, const QByteArray& payload, bool retained) {
                    report({Report::Kind::Received, 0, false, topic, payload, retained});
                });
        for (const QString& topic : std::as_const(m_early))
            m_link->subscribe(topic);
        m_early.clear();
        m_link->start();
    }

    // Sends everything handed over since the last call.
    void takeMessages()
    {
        for (Outgoing& m : m_outbox->take()) {
            if (m.kind == Outgoing::Kind::Subscription) {
                if (m_link)
                    m_link->subscribe(m.topic);
                else
                    m_early.append(m.topic); // asked for before start()
                continue;
            }
            if (!m_link || !m_link->isConnected())
                continue; // the caller hears of the lost connection and sends it again
            const int id = m_link->publish(m.topic, m.payload, m.retain);
            if (id > 0)
                m_sequence.insert(id, m.seq);
        }
    }

    void close() { m_link.reset(); }

signals:
    // Reports wait in the inbox that were not there before.
    void reportsWaiting();

private:
    void answer(Report::Kind kind, int id, const QString& why)
    {
        const auto it = m_sequence.constFind(id);
        if (it == m_sequence.cend())
            return;
        const int seq = it.value();
        m_sequence.erase(it);
        report({kind, seq, false, why, {}, false});
    }

    void report(Report r)
    {
        if (m_inbox->put(std::move(r)))
            m_endOfTurn.start();
    }

    Factory m_make;
    std::shared_ptr<Mailbox<Outgoing>> m_outbox;
    std::shared_ptr<Mailbox<Report>> m_inbox;
    std::unique_ptr<BrokerLink> m_link;
    QStringList m_early; // subscriptions handed over before the link was made
    QHash<int, int> m_sequence;
    QTimer m_endOfTurn;
};

ThreadedBrokerLink::ThreadedBrokerLink(Factory make, QObject* parent)
    : BrokerLink(parent), m_outbox(std::make_shared<Mailbox<Outgoing>>()),
      m_inbox(std::make_shared<Mailbox<Report>>()), m_thread(std::make_unique<QThread>()),
      m_worker(new Worker(std::move(make), m_outbox, m_inbox))
{
    // What the caller publishes in one turn of its loop (a batch read from
    // the day file) crosses to the worker at once.
    m_endOfTurn.setSingleShot(true);
    m_endOfTurn.setInterval(0);
    connect(&m_endOfTurn, &QTimer::timeout, this, [this] {
        Worker* worker = m_worker;
        QMetaObject::invokeMethod(
            m_worker, [worker] { worker->takeMessages(); }, Qt::QueuedConnection);
    });
    m_thread->setObjectName(QStringLiteral("mqtt"));
    m_worker->moveToThread(m_thread.get());
    connect(m_thread.get(), &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &Worker::reportsWaiting, this, &ThreadedBrokerLink::takeReports);
    m_thread->start();
}

ThreadedBrokerLink::~ThreadedBrokerLink()
{
    Worker* worker = m_worker;
    QMetaObject::invokeMethod(
        m_worker, [worker] { worker->close(); }, Qt::QueuedConnection);
    m_thread->quit();
    if (!m_thread->wait(kStopMs)) {
        // Stuck in the resolver or the kernel: the process is ending anyway,
        // and destroying a running thread would abort it.
        qCWarning(lcMqtt) << "the MQTT thread did not end within" << kStopMs << "ms; left running";
        disconnect(m_worker, nullptr, this, nullptr);
        (void)m_thread.release();
    }
}

void ThreadedBrokerLink::start()
{
    Worker* worker = m_worker;
    QMetaObject::invokeMethod(
        m_worker, [worker] { worker->open(); }, Qt::QueuedConnection);
}

int ThreadedBrokerLink::publish(const QString& topic, const QByteArray& payload, bool retain)
{
    if (!m_connected)
        return 0;
    const int seq = m_nextSeq;
    m_nextSeq = m_nextSeq == INT_MAX ? 1 : m_nextSeq + 1;
    if (m_outbox->put({Outgoing::Kind::Message, seq, topic, payload, retain}))
        m_endOfTurn.start();
    return seq;
}

void ThreadedBrokerLink::subscribe(const QString& topic)
{
    if (m_outbox->put({Outgoing::Kind::Subscription, 0, topic, {}, false}))
        m_endOfTurn.start();
}

// What the worker heard, in its order.
void ThreadedBrokerLink::takeReports()
{
    for (const Report& r : m_inbox->take()) {
        switch (r.kind) {
        case Report::Kind::Connection:
            m_connected = r.connected;
            emit connectionChanged(r.connected);
            break;
        case Report::Kind::Delivered:
            emit delivered(r.seq);
            break;
        case Report::Kind::Refused:
            emit refused(r.seq, r.text);
            break;
        case Report::Kind::Failed:
            emit failed(r.text);
            break;
        case Report::Kind::Received:
            emit received(r.text, r.payload, r.retained);
            break;
        }
    }
}

} // namespace zelvan

#include "ThreadedBrokerLink.moc"

#include "platform/ThreadedBrokerLink.h"

#include "core/Logging.h"

#include <QHash>
#include <climits>

namespace zelvan {

// The worker's side: the inner link and the map from its message ids to the
// caller's sequence numbers, both touched on the worker thread only.
class ThreadedBrokerLink::Worker : public QObject
{
    Q_OBJECT
public:
    explicit Worker(Factory make) : m_make(std::move(make)) {}

    void open()
    {
        m_link = m_make();
        connect(m_link.get(), &BrokerLink::connectionChanged, this, [this](bool connected) {
            m_sequence.clear();
            emit connectionChanged(connected);
        });
        connect(m_link.get(), &BrokerLink::delivered, this, [this](int id) {
            const auto it = m_sequence.constFind(id);
            if (it == m_sequence.cend())
                return;
            const int seq = it.value();
            m_sequence.erase(it);
            emit delivered(seq);
        });
        connect(m_link.get(), &BrokerLink::failed, this, &Worker::failed);
        connect(m_link.get(), &BrokerLink::refused, this, [this](int id, const QString& why) {
            const auto it = m_sequence.constFind(id);
            if (it == m_sequence.cend())
                return;
            const int seq = it.value();
            m_sequence.erase(it);
            emit refused(seq, why);
        });
        m_link->start();
    }

    void send(int seq, const QString& topic, const QByteArray& payload, bool retain)
    {
        if (!m_link || !m_link->isConnected())
            return; // the caller hears of the lost connection and sends it again
        const int id = m_link->publish(topic, payload, retain);
        if (id > 0)
            m_sequence.insert(id, seq);
    }

    void close() { m_link.reset(); }

signals:
    void connectionChanged(bool connected);
    void delivered(int seq);
    void refused(int seq, const QString& reason);
    void failed(const QString& reason);

private:
    Factory m_make;
    std::unique_ptr<BrokerLink> m_link;
    QHash<int, int> m_sequence;
};

ThreadedBrokerLink::ThreadedBrokerLink(Factory make, QObject* parent)
    : BrokerLink(parent), m_thread(std::make_unique<QThread>()),
      m_worker(new Worker(std::move(make)))
{
    m_thread->setObjectName(QStringLiteral("mqtt"));
    m_worker->moveToThread(m_thread.get());
    connect(m_thread.get(), &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &Worker::connectionChanged, this, [this](bool connected) {
        m_connected = connected;
        emit connectionChanged(connected);
    });
    connect(m_worker, &Worker::delivered, this, &BrokerLink::delivered);
    connect(m_worker, &Worker::refused, this, &BrokerLink::refused);
    connect(m_worker, &Worker::failed, this, &BrokerLink::failed);
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
    Worker* worker = m_worker;
    QMetaObject::invokeMethod(
        m_worker,
        [worker, seq, topic, payload, retain] { worker->send(seq, topic, payload, retain); },
        Qt::QueuedConnection);
    return seq;
}

} // namespace zelvan

#include "ThreadedBrokerLink.moc"

#include "platform/ThreadedReceiverLink.h"

#include "platform/SocketReceiverLink.h"

namespace zelvan {

ThreadedReceiverLink::ThreadedReceiverLink(QObject* parent)
    : ReceiverLink(parent), m_thread(new QThread), m_inner(new SocketReceiverLink)
{
    m_thread->setObjectName(QStringLiteral("receiver link"));
    m_inner->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_inner, &QObject::deleteLater);
    // Queued: they cross from the worker to this object's thread.
    connect(m_inner, &ReceiverLink::received, this, &ReceiverLink::received);
    connect(m_inner, &ReceiverLink::failed, this, &ReceiverLink::failed);
    m_thread->start();
}

ThreadedReceiverLink::~ThreadedReceiverLink()
{
    disconnect(m_inner, nullptr, this, nullptr);
    m_thread->quit();
    if (m_thread->wait(kStopMs)) {
        delete m_thread;
    } else {
        // Still resolving a name: left to the end of the process.
        connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    }
}

void ThreadedReceiverLink::send(const QString& host, quint16 port, bool udp,
                                const QByteArray& message)
{
    QMetaObject::invokeMethod(
        m_inner,
        [inner = m_inner, host, port, udp, message] { inner->send(host, port, udp, message); },
        Qt::QueuedConnection);
}

void ThreadedReceiverLink::drop()
{
    QMetaObject::invokeMethod(
        m_inner, [inner = m_inner] { inner->drop(); }, Qt::QueuedConnection);
}

} // namespace zelvan

#include "platform/SocketReceiverLink.h"

#include <QHostInfo>
#include <QTcpSocket>
#include <QUdpSocket>
#include <utility>

namespace zelvan {

SocketReceiverLink::~SocketReceiverLink() { drop(); }

void SocketReceiverLink::send(const QString& host, quint16 port, bool udp,
                              const QByteArray& message)
{
    if (udp)
        sendUdp(host, port, message);
    else
        sendTcp(host, port, message);
}

void SocketReceiverLink::sendTcp(const QString& host, quint16 port, const QByteArray& message)
{
    const bool same = m_tcp && m_host == host && m_port == port
                      && m_tcp->state() != QAbstractSocket::UnconnectedState;
    m_unanswered = true;
    if (same && m_tcp->state() == QAbstractSocket::ConnectedState) {
        m_tcp->write(message);
        return;
    }
    if (same) {
        m_waiting = message; // goes out once connected
        return;
    }
    drop();
    // The name is resolved here, on this link's own thread, rather than in
    // Qt's pool of lookups, which the end of the program would wait for: a
    // resolver that never answers holds this thread only, and the program
    // leaves it behind when it ends.
    const std::optional<QHostAddress> address = resolve(host);
    if (!address)
        return;
    m_waiting = message;
    m_host = host;
    m_port = port;
    m_tcp = new QTcpSocket(this);
    m_tcp->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    QTcpSocket* socket = m_tcp;
    connect(socket, &QTcpSocket::connected, this, [this, socket] {
        if (socket == m_tcp && !m_waiting.isEmpty())
            socket->write(std::exchange(m_waiting, {}));
    });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        if (socket != m_tcp)
            return;
        m_unanswered = false;
        emit received(socket->readAll());
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] {
        if (socket != m_tcp)
            return;
        const QString reason = socket->errorString();
        m_waiting.clear();
        m_tcp = nullptr;
        socket->deleteLater();
        // A receiver that closes the connection once it has answered is no
        // failure: the next message connects again. Said as one, the
        // forwarder would send that next message a second time, once it
        // is already on its way over the new connection.
        if (std::exchange(m_unanswered, false))
            emit failed(reason);
    });
    socket->connectToHost(*address, port);
}

std::optional<QHostAddress> SocketReceiverLink::resolve(const QString& host)
{
    QHostAddress address(host);
    if (!address.isNull())
        return address;
    const QHostInfo info = QHostInfo::fromName(host);
    if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
        emit failed(info.errorString());
        return std::nullopt;
    }
    return info.addresses().constFirst();
}

void SocketReceiverLink::sendUdp(const QString& host, quint16 port, const QByteArray& message)
{
    if (!m_udp) {
        m_udp = new QUdpSocket(this);
        connect(m_udp, &QUdpSocket::readyRead, this, [this] {
            while (m_udp->hasPendingDatagrams()) {
                QByteArray datagram(qMax<qint64>(0, m_udp->pendingDatagramSize()),
                                    Qt::Uninitialized);
                QHostAddress from;
                quint16 fromPort = 0;
                const qint64 n =
                    m_udp->readDatagram(datagram.data(), datagram.size(), &from, &fromPort);
                // Only the receiver answers: a datagram from anyone else
                // could otherwise acknowledge a message it never got.
                if (n >= 0 && fromPort == m_udpPort && from.isEqual(m_resolved))
                    emit received(datagram.left(n));
            }
        });
    }
    if (m_resolvedName != host) {
        const std::optional<QHostAddress> address = resolve(host);
        if (!address)
            return;
        m_resolved = *address;
        m_resolvedName = host;
    }
    m_udpPort = port;
    if (m_udp->writeDatagram(message, m_resolved, port) != message.size())
        emit failed(m_udp->errorString());
}

void SocketReceiverLink::drop()
{
    m_waiting.clear();
    if (m_tcp) {
        QTcpSocket* socket = std::exchange(m_tcp, nullptr);
        socket->abort();
        socket->deleteLater();
    }
    m_resolvedName.clear();
}

} // namespace zelvan

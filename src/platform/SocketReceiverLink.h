#pragma once

#include "core/ReceiverLink.h"

#include <QHostAddress>
#include <optional>

class QTcpSocket;
class QUdpSocket;

namespace zelvan {

// A receiving centre's link over a real socket: TCP kept open between
// messages (and opened again when the receiver closed it), or UDP, one
// datagram a message. Blocks on name resolution, so it runs on a thread of
// its own (ThreadedReceiverLink).
class SocketReceiverLink : public ReceiverLink
{
    Q_OBJECT
public:
    using ReceiverLink::ReceiverLink;
    ~SocketReceiverLink() override;

    void send(const QString& host, quint16 port, bool udp, const QByteArray& message) override;
    void drop() override;

private:
    void sendTcp(const QString& host, quint16 port, const QByteArray& message);
    void sendUdp(const QString& host, quint16 port, const QByteArray& message);
    // The address of a name (blocking); nothing, and failed() said, when it has none.
    std::optional<QHostAddress> resolve(const QString& host);
    QTcpSocket* m_tcp = nullptr;
    QUdpSocket* m_udp = nullptr;
    QString m_host;
    quint16 m_port = 0;
    QByteArray m_waiting; // handed over while connecting
    // Something was written (or is waiting to be) on this connection since
    // the receiver last answered: only then is its loss a failure.
    bool m_unanswered = false;
    QString m_resolvedName;
    QHostAddress m_resolved; // of m_resolvedName: the UDP receiver's address
    quint16 m_udpPort = 0;   // and its port
};

} // namespace zelvan

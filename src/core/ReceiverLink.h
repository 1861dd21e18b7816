#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace zelvan {

// The connection to a receiver of an alarm receiving centre, over TCP or UDP.
// Implemented on a thread of its own in platform/ (name resolution and a slow
// receiver never hold the caller); tests use a recorder or a real socket.
class ReceiverLink : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Sends one message to host:port. Over TCP the link connects first when
    // it is not connected there (leaving a connection to another receiver);
    // a message handed over while connecting goes out once connected.
    virtual void send(const QString& host, quint16 port, bool udp, const QByteArray& message) = 0;
    // Closes the connection: what is sent next connects again.
    virtual void drop() = 0;

signals:
    // Bytes from the receiver, as they came (the caller cuts them into messages).
    void received(const QByteArray& bytes);
    // The name did not resolve, the connection was refused or broke: the reason,
    // for the operator. What was in flight may not have arrived.
    void failed(const QString& reason);
};

} // namespace zelvan

#pragma once

#include "dc09/Dc09Frame.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace zelvan::test {

// The DC-09 receiver of the npm package iobroker.sia (installed by
// scripts/ensure-dc09-receiver.sh), run by node through
// tests/support/dc09-receiver.js on a loopback port: a receiver nobody on
// the team wrote. Every message it handled is one JSON object.
class RealReceiver
{
public:
    struct Account
    {
        QByteArray account;
        QByteArray key; // empty: plain messages only
        bool hex = false;
    };
    RealReceiver() = default;
    ~RealReceiver();
    RealReceiver(const RealReceiver&) = delete;
    RealReceiver& operator=(const RealReceiver&) = delete;

    // Starts it (on `port`, 0 for a free one) and waits until it listens.
    bool start(const QList<Account>& accounts, QString* error, int port = 0, bool udp = false);
    void stop();
    int port() const { return m_port; }
    // The messages handled so far, the new ones read first.
    const QList<QJsonObject>& messages();
    // Those it acknowledged.
    QList<QJsonObject> acknowledged();

private:
    QProcess m_node;
    int m_port = 0;
    QByteArray m_pending;
    QList<QJsonObject> m_messages;
};

// A receiver of the test's own, for what a real one rarely does: no answer,
// a NAK with its clock off, DUH, the connection dropped as a message comes,
// an answer that takes long, a connection closed after each answer. Each message received takes the
// next step of the script; once the script is over, every message is acknowledged.
class StandInReceiver : public QObject
{
    Q_OBJECT
public:
    enum class Answer
    {
        Ack,
        None,
        Nak, // with the receiver's time `offsetS` seconds from the real one
        Duh,
        Drop,        // the connection closed, no answer
        AckAndClose, // acknowledged, then the connection closed (one message a connection)
    };
    struct Step
    {
        Answer answer = Answer::Ack;
        int delayMs = 0;
        qint64 offsetS = 0;
    };

    explicit StandInReceiver(QByteArray key = {});
    bool listen(quint16 port = 0);
    quint16 port() const { return m_server.serverPort(); }
    void script(QList<Step> steps) { m_script = std::move(steps); }
    // Every message received, in order, read back.
    QList<dc09::Message> received;
    // Those acknowledged (ACK), by their data.
    QList<QByteArray> acknowledgedData;

private:
    void onData(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const dc09::Message& m, const Step& step);

    QTcpServer m_server;
    QList<Step> m_script;
    dc09::Cipher m_cipher;
    QByteArray m_buffer;
};

} // namespace zelvan::test

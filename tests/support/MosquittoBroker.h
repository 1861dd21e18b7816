#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace zelvan::test {

// A real mosquitto broker for a test, on a free loopback port, with a
// password file (mosquitto_passwd) and its database in the test's directory,
// so that it can be stopped and started again with its sessions and
// retained messages. Optionally TLS with a certificate the test made.
class MosquittoBroker
{
public:
    explicit MosquittoBroker(QString dir);
    ~MosquittoBroker();
    MosquittoBroker(const MosquittoBroker&) = delete;
    MosquittoBroker& operator=(const MosquittoBroker&) = delete;

    // The program of a Debian package (mosquitto is in /usr/sbin); empty when missing.
    static QString program(const QString& name);
    // A loopback port no one listens on now.
    static int freePort();

    bool addUser(const QString& user, const QString& password);
    void useTls(const QString& caFile, const QString& certFile, const QString& keyFile);

    // Starts the broker and waits until it listens. False (with the reason)
    // when it does not.
    bool start(QString* error = nullptr);
    // SIGTERM: the broker saves its database and ends.
    void stop();
    bool running() const { return m_process.state() != QProcess::NotRunning; }
    int port() const { return m_port; }
    QString passwordFile() const { return m_dir + QStringLiteral("/passwd"); }
    // Everything the broker has logged since its last start, up to now.
    QByteArray log();

private:
    QString m_dir;
    int m_port;
    QString m_tls;
    QProcess m_process;
    QByteArray m_log;
};

// mosquitto_sub as a persistent-session subscriber (QoS 1, fixed client id):
// it reconnects by itself when the broker comes back and then receives what
// was queued for it. Every payload is one line.
class MqttSubscriber
{
public:
    // persistent: a session the broker keeps while the subscriber is away
    // (-c); extra: more mosquitto_sub options.
    MqttSubscriber(int port, const QString& user, const QString& password,
                   const QStringList& topics, const QString& clientId, bool persistent = true,
                   const QStringList& extra = {});
    ~MqttSubscriber();
    MqttSubscriber(const MqttSubscriber&) = delete;
    MqttSubscriber& operator=(const MqttSubscriber&) = delete;

    bool start();
    // Lines received so far (read from the process on each call).
    const QList<QByteArray>& lines();
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
    QStringList m_args;
    QByteArray m_partial;
    QList<QByteArray> m_lines;
};

// mosquitto_pub once, QoS 1; true when it exited with 0.
bool publishOnce(int port, const QString& user, const QString& password, const QString& topic,
                 const QByteArray& payload, bool retain);

// The retained messages under the topic filters as the broker holds them now,
// topic -> payload. A subscriber takes them and ends at the first message
// that is not retained, sent to endTopic until it has ended; empty when it
// does not end.
QMap<QString, QByteArray> retainedMessages(int port, const QString& user, const QString& password,
                                           const QStringList& filters, const QString& endTopic,
                                           const QString& clientId);

} // namespace zelvan::test

#pragma once

#include "core/BrokerLink.h"

#include <QByteArray>
#include <QString>
#include <QTimer>
#include <memory>

struct mosquitto;
class QSocketNotifier;

namespace zelvan {

// The connection to an MQTT broker over libmosquitto, driven from the Qt
// event loop: the client's socket is watched with QSocketNotifier
// (mosquitto_loop_read / _write) and a timer runs mosquitto_loop_misc
// (keepalive). No thread. The connect is non-blocking; a connection that
// fails or breaks is tried again after a pause that grows from 1 s to 60 s.
// Every message is sent with QoS 1. The last will is the status topic's
// retained "offline".
class MosquittoLink : public BrokerLink
{
    Q_OBJECT
public:
    struct Options
    {
        QString host;
        int port = 1883;
        bool tls = false;
        QString caFile;
        QString certFile;
        QString keyFile;
        QString username;
        QByteArray password; // never logged
        QString clientId;
        int keepalive = 60;
        QString willTopic; // receives retained "offline" when the link dies
    };

    static constexpr int kFirstPauseMs = 1000;
    static constexpr int kLastPauseMs = 60000;
    static constexpr int kMiscMs = 500;
    // A connection that has not been accepted after this long is given up.
    static constexpr int kConnectTimeoutMs = 10000;

    explicit MosquittoLink(Options options, QObject* parent = nullptr);
    ~MosquittoLink() override;

    // Starts the first connection attempt.
    void start();

    int publish(const QString& topic, const QByteArray& payload, bool retain) override;
    bool isConnected() const override { return m_connected; }

    // The pause before the next attempt (grows after each failure).
    int pauseMs() const { return m_pauseMs; }

private:
    void attempt();
    void drop(const QString& reason);
    void afterLoop(int rc);
    void updateWriteWatch();
    QString errorText(int rc) const;

    static void onConnect(mosquitto* m, void* self, int rc);
    static void onDisconnect(mosquitto* m, void* self, int rc);
    static void onPublish(mosquitto* m, void* self, int mid);

    Options m_options;
    mosquitto* m_mosq = nullptr;
    std::unique_ptr<QSocketNotifier> m_readWatch;
    std::unique_ptr<QSocketNotifier> m_writeWatch;
    QTimer m_misc;
    QTimer m_retry;
    QTimer m_connectTimeout;
    int m_pauseMs = kFirstPauseMs;
    bool m_connected = false;
    int m_connackRc = -1; // set by the CONNACK callback until handled
    bool m_lostInCallback = false;
};

} // namespace zelvan

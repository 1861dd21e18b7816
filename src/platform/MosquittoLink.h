#pragma once

#include "core/BrokerLink.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QTimer>
#include <memory>
#include <mosquitto.h>
#include <vector>

class QSocketNotifier;

namespace zelvan {

// The connection to an MQTT broker over libmosquitto (MQTT v5), driven from
// the event loop of the thread it lives on: the client's socket is watched
// with QSocketNotifier (mosquitto_loop_read / _write) and a timer runs
// mosquitto_loop_misc (keepalive). The connect resolves the broker's name and
// may wait for it: the panel runs this link on a thread of its own
// (ThreadedBrokerLink). A connection that fails or breaks is tried again
// after a pause that grows from 1 s to 60 s. Every message is sent with QoS 1;
// a PUBACK whose reason code is 0x80 or above is refused(), not delivered().
// The topics subscribed to are kept and subscribed to again (QoS 1) after
// every connection, the session being a clean one. What libmosquitto's
// callbacks hear (acknowledgements, messages) is announced once it has
// returned, in the order it was heard, so that a listener may publish or
// subscribe from its slot.
// The last will is the status topic's retained "offline". A key file that
// needs a passphrase fails the connection; nothing is ever asked on a terminal.
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
    // PUBACK reason codes from here on are refusals (MQTT v5).
    static constexpr int kFirstRefusal = 0x80;

    explicit MosquittoLink(Options options, QObject* parent = nullptr);
    ~MosquittoLink() override;

    // Starts the first connection attempt.
    void start() override;

    int publish(const QString& topic, const QByteArray& payload, bool retain) override;
    bool isConnected() const override { return m_connected; }
    void subscribe(const QString& topic) override;

    // The pause before the next attempt (grows after each failure).
    int pauseMs() const { return m_pauseMs; }

private:
    void attempt();
    void drop(const QString& reason);
    void afterLoop(int rc);
    void updateWriteWatch();
    QString errorText(int rc) const;
    int sendSubscription(const QByteArray& topic);

    static void onConnect(mosquitto* m, void* self, int rc, int flags,
                          const mosquitto_property* props);
    static void onDisconnect(mosquitto* m, void* self, int rc);
    static void onPublish(mosquitto* m, void* self, int mid, int reason,
                          const mosquitto_property* props);
    static void onSubscribe(mosquitto* m, void* self, int mid, int count, const int* granted,
                            const mosquitto_property* props);
    static void onMessage(mosquitto* m, void* self, const mosquitto_message* msg,
                          const mosquitto_property* props);
    static int noPassphrase(char* buf, int size, int rwflag, void* userdata);

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

    // Heard by a callback, announced by afterLoop().
    struct Heard
    {
        enum class Kind
        {
            Delivered,
            Refused,
            Message
        } kind = Kind::Delivered;
        int mid = 0;
        QString text; // the reason of a refusal, the topic of a message
        QByteArray payload;
        bool retained = false;
    };
    std::vector<Heard> m_heard;
    QList<QByteArray> m_topics;           // subscribed to, UTF-8, in the order first asked for
    QHash<int, QByteArray> m_subscribing; // SUBSCRIBE sent, by message id, until its SUBACK
};

} // namespace zelvan

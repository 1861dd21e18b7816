#include "platform/MosquittoLink.h"

#include "core/Logging.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <mosquitto.h>
#include <mqtt_protocol.h>

namespace zelvan {

namespace {

void initLibrary()
{
    static const int done = mosquitto_lib_init();
    Q_UNUSED(done);
}

QByteArray native(const QString& s) { return s.toUtf8(); }

} // namespace

MosquittoLink::MosquittoLink(Options options, QObject* parent)
    : BrokerLink(parent), m_options(std::move(options)), m_misc(this), m_retry(this),
      m_connectTimeout(this)
{
    initLibrary();
    m_misc.setInterval(kMiscMs);
    connect(&m_misc, &QTimer::timeout, this, [this] {
        if (!m_mosq)
            return;
        int rc = mosquitto_loop_misc(m_mosq);
        // TLS may hold bytes already taken from the socket, which its
        // notifier cannot announce: they are read here at the latest.
        if (rc == MOSQ_ERR_SUCCESS && m_connected && m_options.tls)
            rc = mosquitto_loop_read(m_mosq, 1);
        afterLoop(rc);
    });
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &MosquittoLink::attempt);
    m_connectTimeout.setSingleShot(true);
    m_connectTimeout.setInterval(kConnectTimeoutMs);
    connect(&m_connectTimeout, &QTimer::timeout, this, [this] {
        drop(QStringLiteral("no answer within %1 s").arg(kConnectTimeoutMs / 1000));
    });
}

MosquittoLink::~MosquittoLink()
{
    m_readWatch.reset();
    m_writeWatch.reset();
    if (m_mosq) {
        // A clean end sends no last will: the status says "offline" itself.
        if (m_connected) {
            const QByteArray will = native(m_options.willTopic);
            if (!will.isEmpty())
                mosquitto_publish(m_mosq, nullptr, will.constData(), 7, "offline", 1, true);
            mosquitto_disconnect(m_mosq);
            mosquitto_loop_write(m_mosq, 1);
        }
        mosquitto_destroy(m_mosq);
    }
}

void MosquittoLink::start() { attempt(); }

QString MosquittoLink::errorText(int rc) const
{
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(rc));
}

void MosquittoLink::attempt()
{
    m_mosq = mosquitto_new(native(m_options.clientId).constData(), true, this);
    if (!m_mosq) {
        drop(QStringLiteral("out of memory"));
        return;
    }
    // MQTT v5: a PUBACK says whether the broker accepted the message.
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_connect_v5_callback_set(m_mosq, &MosquittoLink::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MosquittoLink::onDisconnect);
    mosquitto_publish_v5_callback_set(m_mosq, &MosquittoLink::onPublish);
    mosquitto_subscribe_v5_callback_set(m_mosq, &MosquittoLink::onSubscribe);
    mosquitto_message_v5_callback_set(m_mosq, &MosquittoLink::onMessage);
    // The publisher bounds what it sends unacknowledged; the client holds
    // nothing back, and sends each message at once (no Nagle delay).
    mosquitto_int_option(m_mosq, MOSQ_OPT_SEND_MAXIMUM, 65535);
    mosquitto_int_option(m_mosq, MOSQ_OPT_TCP_NODELAY, 1);
    const QByteArray will = native(m_options.willTopic);
    if (!will.isEmpty())
        mosquitto_will_set(m_mosq, will.constData(), 7, "offline", 1, true);
    if (!m_options.username.isEmpty()) {
        mosquitto_username_pw_set(m_mosq, native(m_options.username).constData(),
                                  m_options.password.isEmpty() ? nullptr
                                                               : m_options.password.constData());
    }
    if (m_options.tls) {
        const QByteArray ca = native(m_options.caFile);
        const QByteArray cert = native(m_options.certFile);
        const QByteArray key = native(m_options.keyFile);
        const int rc = mosquitto_tls_set(
            m_mosq, ca.constData(), nullptr, cert.isEmpty() ? nullptr : cert.constData(),
            key.isEmpty() ? nullptr : key.constData(), &MosquittoLink::noPassphrase);
        if (rc != MOSQ_ERR_SUCCESS) {
            drop(QStringLiteral("TLS: ") + errorText(rc));
            return;
        }
    }
    qCInfo(lcMqtt).noquote() << "connecting to" << m_options.host << m_options.port
                             << (m_options.tls ? "with TLS" : "without TLS") << "as"
                             << (m_options.username.isEmpty() ? QStringLiteral("(anonymous)")
                                                              : m_options.username);
    const int rc = mosquitto_connect_async(m_mosq, native(m_options.host).constData(),
                                           m_options.port, m_options.keepalive);
    if (rc != MOSQ_ERR_SUCCESS) {
        drop(errorText(rc));
        return;
    }
    const int fd = mosquitto_socket(m_mosq);
    if (fd < 0) {
        drop(QStringLiteral("no socket"));
        return;
    }
    m_readWatch = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_readWatch.get(), &QSocketNotifier::activated, this,
            [this] { afterLoop(mosquitto_loop_read(m_mosq, 1)); });
    m_writeWatch = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    connect(m_writeWatch.get(), &QSocketNotifier::activated, this,
            [this] { afterLoop(mosquitto_loop_write(m_mosq, 1)); });
    m_misc.start();
    m_connectTimeout.start();
    updateWriteWatch();
}

void MosquittoLink::updateWriteWatch()
{
    if (m_writeWatch && m_mosq)
        m_writeWatch->setEnabled(mosquitto_want_write(m_mosq));
}

// What the callbacks noted is acted on here, after libmosquitto has returned.
void MosquittoLink::afterLoop(int rc)
{
    if (!m_mosq)
        return;
    // Read now: errno does not outlast the slots called below.
    const QString error = rc == MOSQ_ERR_SUCCESS ? QString() : errorText(rc);
    if (m_connackRc >= 0) {
        const int connack = m_connackRc;
        m_connackRc = -1;
        if (connack != 0) {
            drop(QString::fromUtf8(mosquitto_reason_string(connack)));
            return;
        }
        // The session starts clean: the broker knows none of the topics yet.
        for (const QByteArray& topic : std::as_const(m_topics)) {
            const int sent = sendSubscription(topic);
            if (sent != MOSQ_ERR_SUCCESS) {
                drop(errorText(sent));
                return;
            }
        }
        m_connectTimeout.stop();
        m_connected = true;
        m_pauseMs = kFirstPauseMs;
        qCInfo(lcMqtt).noquote() << "connected to" << m_options.host << m_options.port;
        emit connectionChanged(true);
        if (!m_mosq)
            return;
    }
    if (!m_heard.empty()) {
        std::vector<Heard> heard;
        heard.swap(m_heard);
        for (const Heard& h : heard) {
            switch (h.kind) {
            case Heard::Kind::Delivered:
                emit delivered(h.mid);
                break;
            case Heard::Kind::Refused:
                emit refused(h.mid, h.text);
                break;
            case Heard::Kind::Message:
                emit received(h.text, h.payload, h.retained);
                break;
            }
        }
        if (!m_mosq)
            return;
    }
    if (m_lostInCallback || (rc != MOSQ_ERR_SUCCESS)) {
        m_lostInCallback = false;
        drop(rc == MOSQ_ERR_SUCCESS ? QStringLiteral("connection closed") : error);
        return;
    }
    updateWriteWatch();
}

void MosquittoLink::drop(const QString& reason)
{
    m_connectTimeout.stop();
    m_misc.stop();
    m_readWatch.reset();
    m_writeWatch.reset();
    if (m_mosq) {
        mosquitto_destroy(m_mosq);
        m_mosq = nullptr;
    }
    m_connackRc = -1;
    m_lostInCallback = false;
    m_heard.clear();
    m_subscribing.clear();
    const bool was = m_connected;
    m_connected = false;
    qCWarning(lcMqtt).noquote() << "broker" << m_options.host << m_options.port << ":" << reason
                                << "- next attempt in" << m_pauseMs / 1000.0 << "s";
    m_retry.start(m_pauseMs);
    m_pauseMs = qMin(m_pauseMs * 2, kLastPauseMs);
    if (was)
        emit connectionChanged(false);
    emit failed(reason);
}

int MosquittoLink::publish(const QString& topic, const QByteArray& payload, bool retain)
{
    if (!m_connected || !m_mosq)
        return 0;
    int mid = 0;
    const int rc = mosquitto_publish(m_mosq, &mid, native(topic).constData(), int(payload.size()),
                                     payload.isEmpty() ? nullptr : payload.constData(), 1, retain);
    if (rc != MOSQ_ERR_SUCCESS) {
        // The socket broke under the write: the link is dropped after this call.
        QTimer::singleShot(0, this, [this, rc] {
            if (m_mosq)
                afterLoop(rc);
        });
        return 0;
    }
    updateWriteWatch();
    return mid;
}

void MosquittoLink::subscribe(const QString& topic)
{
    const QByteArray filter = native(topic);
    if (filter.isEmpty() || mosquitto_sub_topic_check(filter.constData()) != MOSQ_ERR_SUCCESS
        || mosquitto_validate_utf8(filter.constData(), int(filter.size())) != MOSQ_ERR_SUCCESS) {
        qCWarning(lcMqtt).noquote() << "not a topic to subscribe to:" << topic;
        return;
    }
    if (!m_topics.contains(filter))
        m_topics.append(filter);
    if (!m_connected || !m_mosq)
        return; // subscribed to once connected
    const int rc = sendSubscription(filter);
    if (rc != MOSQ_ERR_SUCCESS) {
        // The socket broke under the write: the link is dropped after this call.
        QTimer::singleShot(0, this, [this, rc] {
            if (m_mosq)
                afterLoop(rc);
        });
        return;
    }
    updateWriteWatch();
}

// Sends one SUBSCRIBE (QoS 1; the broker sends the topic's retained messages
// with each, also to a subscription it already has). Not MOSQ_ERR_SUCCESS
// when the connection broke.
int MosquittoLink::sendSubscription(const QByteArray& topic)
{
    int mid = 0;
    const int rc = mosquitto_subscribe_v5(m_mosq, &mid, topic.constData(), 1,
                                          MQTT_SUB_OPT_SEND_RETAIN_ALWAYS, nullptr);
    if (rc == MOSQ_ERR_SUCCESS)
        m_subscribing.insert(mid, topic);
    else if (rc == MOSQ_ERR_OVERSIZE_PACKET)
        qCWarning(lcMqtt).noquote()
            << "the broker takes no subscription as long as" << QString::fromUtf8(topic);
    else
        return rc;
    return MOSQ_ERR_SUCCESS;
}

void MosquittoLink::onConnect(mosquitto*, void* self, int rc, int, const mosquitto_property*)
{
    static_cast<MosquittoLink*>(self)->m_connackRc = rc;
}

void MosquittoLink::onDisconnect(mosquitto*, void* self, int)
{
    static_cast<MosquittoLink*>(self)->m_lostInCallback = true;
}

void MosquittoLink::onPublish(mosquitto*, void* self, int mid, int reason,
                              const mosquitto_property*)
{
    auto* link = static_cast<MosquittoLink*>(self);
    if (reason >= kFirstRefusal) {
        const QString why = QString::fromUtf8(mosquitto_reason_string(reason));
        link->m_heard.push_back({Heard::Kind::Refused, mid, why, {}, false});
    } else {
        link->m_heard.push_back({Heard::Kind::Delivered, mid, {}, {}, false});
    }
}

// A subscription the broker refuses (not allowed on the topic …) brings
// nothing: it is logged, and asked for again at the next connection.
void MosquittoLink::onSubscribe(mosquitto*, void* self, int mid, int count, const int* granted,
                                const mosquitto_property*)
{
    auto* link = static_cast<MosquittoLink*>(self);
    const QByteArray topic = link->m_subscribing.take(mid);
    for (int i = 0; i < count; ++i) {
        if (granted[i] >= kFirstRefusal)
            qCWarning(lcMqtt).noquote()
                << "the broker refused the subscription to" << QString::fromUtf8(topic) << ":"
                << QString::fromUtf8(mosquitto_reason_string(granted[i]));
    }
}

void MosquittoLink::onMessage(mosquitto*, void* self, const mosquitto_message* msg,
                              const mosquitto_property*)
{
    auto* link = static_cast<MosquittoLink*>(self);
    const QByteArray payload =
        msg->payloadlen > 0 ? QByteArray(static_cast<const char*>(msg->payload), msg->payloadlen)
                            : QByteArray();
    link->m_heard.push_back(
        {Heard::Kind::Message, msg->mid, QString::fromUtf8(msg->topic), payload, msg->retain});
}

// OpenSSL asks this for the key file's passphrase instead of the terminal:
// there is none to give, and the key is not loaded.
int MosquittoLink::noPassphrase(char*, int, int, void*) { return 0; }

} // namespace zelvan

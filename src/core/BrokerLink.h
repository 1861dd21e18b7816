#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace zelvan {

// The connection to a message broker through which the station's records and
// states go out to other systems. The station takes no command from the
// network: what it subscribes to (in a pair of panels, its partner's topics)
// it reads only as the partner's state, never as something to do.
// Implemented over libmosquitto in platform/; tests use a recorder.
class BrokerLink : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts connecting (and connecting again whenever the connection goes).
    virtual void start() {}
    // Queues one message for the broker, delivered at least once (QoS 1).
    // Returns its id (> 0), announced again through delivered() once the
    // broker has acknowledged it; 0 when it cannot be sent now (not connected).
    virtual int publish(const QString& topic, const QByteArray& payload, bool retain) = 0;
    virtual bool isConnected() const = 0;
    // Subscribes with QoS 1 to topic (MQTT wildcards allowed), now when
    // connected and again after every new connection. Called again with a
    // topic already subscribed, it subscribes again at once, so that the
    // broker sends its retained messages on that topic once more.
    virtual void subscribe(const QString& topic) { Q_UNUSED(topic) }

signals:
    // Connected to the broker, or the connection is gone. Every message not
    // yet delivered when it goes is forgotten by the link: the publisher sends
    // it again after the next connection.
    void connectionChanged(bool connected);
    // The broker acknowledged the message with this id and accepted it.
    void delivered(int id);
    // The broker acknowledged the message with this id but did not accept it
    // (not allowed on its topic, quota exceeded …): the reason, for the
    // operator. The message is not delivered; it may be sent again.
    void refused(int id, const QString& reason);
    // A connection attempt failed or the connection broke: the reason, for
    // the operator (never holding a password). Sent again at each attempt.
    void failed(const QString& reason);
    // A message arrived on a subscribed topic; retained: the broker sent it
    // as the topic's retained value (on subscribing), not as it was
    // published. The payload may be empty (a retained value being cleared).
    void received(const QString& topic, const QByteArray& payload, bool retained);
};

} // namespace zelvan

#pragma once

#include "core/BrokerLink.h"

#include <QHash>
#include <QList>
#include <QStringList>

namespace zelvan::test {

// A broker in memory: records every message published and every
// subscription, acknowledges on request, delivers what the test sends, and
// connects and drops when the test says so.
class FakeBrokerLink : public BrokerLink
{
    Q_OBJECT
public:
    struct Message
    {
        int id = 0;
        QString topic;
        QByteArray payload;
        bool retain = false;
    };

    int publish(const QString& topic, const QByteArray& payload, bool retain) override;
    bool isConnected() const override { return m_connected; }
    void subscribe(const QString& topic) override { subscriptions.append(topic); }

    void setConnected(bool connected);
    void fail(const QString& reason) { emit failed(reason); }
    // Acknowledges the oldest n unacknowledged messages (all with -1).
    void acknowledge(int n = -1);
    // Acknowledges in order up to and including the n-th waiting record of
    // the event topic (the states sent before it with it).
    void acknowledgeEvents(int n);
    // The ids of the records of the event topic that wait, oldest first.
    QList<int> waitingEvents() const;
    // Acknowledges the message with this id as refused (MQTT v5 reason code
    // 0x80 and above): it is no longer waiting, and not delivered.
    void refuse(int id, const QString& reason);
    // Acknowledges by itself each message once it has been published (from
    // the event loop, as a broker's answer comes).
    void setAutoAcknowledge(bool on) { m_auto = on; }
    // A message arrives on a subscribed topic (asRetained: as the topic's
    // retained value, sent on subscribing).
    void deliver(const QString& topic, const QByteArray& payload, bool asRetained = false)
    {
        emit received(topic, payload, asRetained);
    }

    QList<Message> sent;                 // every message, in order
    QHash<QString, QByteArray> retained; // the broker's retained messages
    QStringList subscriptions;           // every subscribe(), in order, repeats too
    QList<Message> ofTopic(const QString& topic) const;
    int unacknowledged() const { return int(m_waiting.size()); }

private:
    bool m_connected = false;
    bool m_auto = false;
    int m_nextId = 1;
    QList<int> m_waiting;
    QHash<int, bool> m_isEvent;
};

} // namespace zelvan::test

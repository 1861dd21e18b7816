#include "support/FakeBrokerLink.h"

#include <QTimer>

namespace zelvan::test {

int FakeBrokerLink::publish(const QString& topic, const QByteArray& payload, bool retain)
{
    if (!m_connected)
        return 0;
    const int id = m_nextId++;
    sent.append({id, topic, payload, retain});
    if (retain) {
        if (payload.isEmpty())
            retained.remove(topic);
        else
            retained.insert(topic, payload);
    }
    m_waiting.append(id);
    m_isEvent.insert(id, topic.endsWith(QLatin1String("/event")));
    if (m_auto)
        QTimer::singleShot(0, this, [this] { acknowledge(); });
    return id;
}

void FakeBrokerLink::setConnected(bool connected)
{
    if (connected == m_connected)
        return;
    m_connected = connected;
    m_waiting.clear();
    m_isEvent.clear();
    emit connectionChanged(connected);
}

void FakeBrokerLink::acknowledge(int n)
{
    while (!m_waiting.isEmpty() && n != 0) {
        const int id = m_waiting.takeFirst();
        m_isEvent.remove(id);
        emit delivered(id);
        --n;
    }
}

void FakeBrokerLink::acknowledgeEvents(int n)
{
    while (!m_waiting.isEmpty() && n > 0) {
        const int id = m_waiting.takeFirst();
        if (m_isEvent.take(id))
            --n;
        emit delivered(id);
    }
}

QList<int> FakeBrokerLink::waitingEvents() const
{
    QList<int> out;
    for (const int id : m_waiting) {
        if (m_isEvent.value(id))
            out.append(id);
    }
    return out;
}

void FakeBrokerLink::refuse(int id, const QString& reason)
{
    if (!m_waiting.removeOne(id))
        return;
    m_isEvent.remove(id);
    emit refused(id, reason);
}

QList<FakeBrokerLink::Message> FakeBrokerLink::ofTopic(const QString& topic) const
{
    QList<Message> out;
    for (const Message& m : sent) {
        if (m.topic == topic)
            out.append(m);
    }
    return out;
}

} // namespace zelvan::test

#pragma once

#include "core/StationState.h"
#include "feed/DayFileTail.h"

#include <QByteArray>
#include <QString>
#include <array>

namespace zelvan {

class ObjectFiles;

// The topics and payloads of the feed (JSON in UTF-8), under one prefix.
class FeedMessages
{
public:
    FeedMessages(QString prefix, const StationState& state);

    QString prefix() const { return m_prefix; }
    QString eventTopic() const { return m_prefix + QStringLiteral("/event"); }
    QString statusTopic() const { return m_prefix + QStringLiteral("/status"); }
    QString violationsTopic() const { return m_prefix + QStringLiteral("/violations"); }
    QString objectTopic(int k) const;
    QString moduleTopic(int m) const;

    // One day record: day, line, record, time, object, module, number, label,
    // name, letter, text. A line that is not a record carries day, line and
    // record alone. name: the object's name from Name.dat; captions: the
    // object's five board signal captions (for the letters 1..5).
    QByteArray event(const TailRecord& record, const QString& name,
                     const std::array<QString, 5>& captions) const;
    // "released", "taken", "violated", "take_requested"; empty for another code.
    static QByteArray objectState(int code);
    static QByteArray moduleLink(bool online) { return online ? "online" : "lost"; }

    // Home Assistant discovery under "homeassistant": each module a device
    // with a connectivity sensor, each object an enum sensor of its guard
    // state and a problem sensor of its violation.
    QString nodeId() const;
    QString moduleConfigTopic(int m) const;
    QString objectConfigTopic(int k) const;
    QString violationConfigTopic(int k) const;
    QByteArray moduleConfig(int m) const;
    QByteArray objectConfig(int k, const QString& name) const;
    QByteArray violationConfig(int k, const QString& name) const;

private:
    QString m_prefix;
    const StationState& m_state;
};

} // namespace zelvan

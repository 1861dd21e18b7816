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
    // The guard state of a word of objectState(); -1 for any other.
    static int stateOfWord(const QByteArray& word);
    static QByteArray moduleLink(bool online) { return online ? "online" : "lost"; }

    // The object's last record (its event message), retained: Home
    // Assistant's attributes of the object's entities.
    QString lastRecordTopic(int k) const;
    // Where Home Assistant's alarm panel would send a command: nothing reads
    // it, the panel takes no command from the network.
    QString ignoredCommandTopic(int k) const;

private:
    QString m_prefix;
    const StationState& m_state;
};

} // namespace zelvan

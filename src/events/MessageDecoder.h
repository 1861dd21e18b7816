#pragma once

#include "core/StationContext.h"
#include "events/BoardMessageHandler.h"
#include "events/LineMessageHandler.h"

#include <QString>
#include <QStringView>

namespace zelvan {

// HandleModuleMessage: decodes every message of an on-line module that is not a
// start-up exchange line, by its first character (and, after "#", its second).
// Guard-state messages (release, take acknowledgement, taken, violation) are
// handled here; board messages go to BoardMessageHandler, threshold messages
// and measured values to LineMessageHandler.
class MessageDecoder
{
public:
    // Release, take, taken and violation messages are at most this long.
    static constexpr int kMaxGuardMessage = 5;

    explicit MessageDecoder(StationContext context);

    void HandleModuleMessage(QString message, int m);

    // Messages ignored by the rules (unknown kind, too long, object outside 1..128).
    quint64 ignoredCount() const { return m_ignored; }
    // Of those, the messages whose object number is outside 1..128.
    quint64 badObjectCount() const { return m_badObject; }

private:
    void release(QStringView message, int m);
    void takeAcknowledged(QStringView message, int m);
    void taken(QStringView message, int m);
    void violated(QStringView message, int m);
    // Object index from the number field starting at position `from` of a guard
    // message; 0 (and the message counted as ignored) when it names no object.
    int guardObject(QStringView message, qsizetype from, int m);
    void ignore() { ++m_ignored; }

    StationContext m_ctx;
    BoardMessageHandler m_board;
    LineMessageHandler m_line;
    quint64 m_ignored = 0;
    quint64 m_badObject = 0;
};

} // namespace zelvan

#pragma once

#include "events/BoardMessageHandler.h"
#include "events/LineMessageHandler.h"
#include "events/StationContext.h"

#include <QString>

namespace zelvan {

// HandleModuleMessage: decodes every message of an on-line module that is not a
// start-up exchange line, by its first character (and, after "#", its second).
class MessageDecoder
{
public:
    explicit MessageDecoder(StationContext context);

    void HandleModuleMessage(QString message, int m);

    // Messages ignored by the rules (unknown kind, too long, object outside 1..128).
    quint64 ignoredCount() const { return m_ignored; }

private:
    StationContext m_ctx;
    BoardMessageHandler m_board;
    LineMessageHandler m_line;
    quint64 m_ignored = 0;
};

} // namespace zelvan

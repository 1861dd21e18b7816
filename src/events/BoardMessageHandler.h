#pragma once

#include "events/StationContext.h"

#include <QString>

namespace zelvan {

// Subscriber board messages (#0..., #1...): event lines, records and, within
// the object's take/release window after a violation, the take or release command.
class BoardMessageHandler
{
public:
    explicit BoardMessageHandler(StationContext context);
    void handle(const QString& message, int m);

private:
    StationContext m_ctx;
};

} // namespace zelvan

#include "events/BoardMessageHandler.h"

namespace zelvan {

BoardMessageHandler::BoardMessageHandler(StationContext context) : m_ctx(context) {}

void BoardMessageHandler::handle(const QString& message, int m)
{
    Q_UNUSED(message);
    Q_UNUSED(m);
}

} // namespace zelvan

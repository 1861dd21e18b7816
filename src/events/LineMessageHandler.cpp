#include "events/LineMessageHandler.h"

namespace zelvan {

LineMessageHandler::LineMessageHandler(StationContext context) : m_ctx(context) {}

void LineMessageHandler::handleThreshold(const QString& message, int m)
{
    Q_UNUSED(message);
    Q_UNUSED(m);
}

void LineMessageHandler::handleMeasurement(const QString& message, int m)
{
    Q_UNUSED(message);
    Q_UNUSED(m);
}

} // namespace zelvan

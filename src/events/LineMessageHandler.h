#pragma once

#include "events/StationContext.h"

#include <QString>

namespace zelvan {

// Threshold messages (#B, #Z, #T) and measured-value replies (bare numbers).
class LineMessageHandler
{
public:
    explicit LineMessageHandler(StationContext context);
    void handleThreshold(const QString& message, int m);
    void handleMeasurement(const QString& message, int m);

private:
    StationContext m_ctx;
};

} // namespace zelvan

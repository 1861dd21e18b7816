#pragma once

#include "core/StationContext.h"

#include <QString>

namespace zelvan {

struct StationState;

// Threshold messages (#B, #Z, #T) and measured-value replies (bare numbers).
class LineMessageHandler
{
public:
    explicit LineMessageHandler(StationContext context);
    void handleThreshold(const QString& message, int m);
    void handleMeasurement(const QString& message, int m);

    // Threshold messages whose object number or value was out of range.
    quint64 rejectedCount() const { return m_rejected; }

private:
    StationContext m_ctx;
    quint64 m_rejected = 0;
};

} // namespace zelvan

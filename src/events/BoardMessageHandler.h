#pragma once

#include "core/StationContext.h"

#include <QString>

namespace zelvan {

// Subscriber board messages (#0..., #1...): event lines, records and, within
// the object's take/release window after a violation, the take or release command.
class BoardMessageHandler
{
public:
    explicit BoardMessageHandler(StationContext context);
    void handle(const QString& message, int m);

    // TakeReleaseWindow: the board's report came less than KavelPeriod seconds
    // after the object's last violation.
    static bool withinTakeReleaseWindow(const StationState& state, int k, double nowSerial);

    // Board messages for an object number outside 1..128.
    quint64 rejectedCount() const { return m_rejected; }

private:
    StationContext m_ctx;
    quint64 m_rejected = 0;
};

} // namespace zelvan

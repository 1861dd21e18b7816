#pragma once

#include "core/MonotonicClock.h"

namespace zelvan {

// The time since the machine booted, suspensions included (CLOCK_BOOTTIME):
// a stopped process or a suspended machine sees it jump on resuming.
class BootClock : public MonotonicClock
{
public:
    qint64 msecs() const override;
};

} // namespace zelvan

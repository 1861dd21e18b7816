#pragma once

#include "core/Clock.h"

namespace zelvan {

// The computer's local date and time.
class SystemClock : public Clock
{
public:
    QDateTime now() const override;
};

} // namespace zelvan

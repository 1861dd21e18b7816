#include "platform/BootClock.h"

#include <ctime>

namespace zelvan {

qint64 BootClock::msecs() const
{
    timespec t{};
    ::clock_gettime(CLOCK_BOOTTIME, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

} // namespace zelvan

#pragma once

#include <QtGlobal>

namespace zelvan {

// Time that only goes forward, also while the process is stopped or the
// machine is suspended, unlike the date and time of Clock, which the
// operator or the network may set. Real one in platform/, a settable one in
// the tests.
class MonotonicClock
{
public:
    virtual ~MonotonicClock() = default;
    virtual qint64 msecs() const = 0;
};

} // namespace zelvan

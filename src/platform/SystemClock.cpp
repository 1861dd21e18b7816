#include "platform/SystemClock.h"

namespace zelvan {

QDateTime SystemClock::now() const { return QDateTime::currentDateTime(); }

} // namespace zelvan

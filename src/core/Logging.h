#pragma once

#include <QLoggingCategory>

namespace zelvan {

// Diagnostics on standard error, in English, quiet unless enabled, for example
// with QT_LOGGING_RULES="zelvan.*=true":
// the module link (ports opened, failed and reopened, modules started and lost)
Q_DECLARE_LOGGING_CATEGORY(lcLink)
// the program itself (locks, window placement)
Q_DECLARE_LOGGING_CATEGORY(lcApp)
// the MQTT feed (broker connections, refusals, TLS; never a password)
Q_DECLARE_LOGGING_CATEGORY(lcMqtt)

} // namespace zelvan

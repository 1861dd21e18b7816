#pragma once

#include <QLoggingCategory>

namespace zelvan {

// Diagnostics of the module link on standard error: ports opened, failed and
// reopened, modules started and lost. Quiet unless enabled, for example with
// QT_LOGGING_RULES="zelvan.*=true".
Q_DECLARE_LOGGING_CATEGORY(lcLink)

} // namespace zelvan

#include "core/Logging.h"

namespace zelvan {

Q_LOGGING_CATEGORY(lcLink, "zelvan.link", QtWarningMsg)
Q_LOGGING_CATEGORY(lcApp, "zelvan.app", QtWarningMsg)
Q_LOGGING_CATEGORY(lcMqtt, "zelvan.mqtt", QtWarningMsg)

} // namespace zelvan

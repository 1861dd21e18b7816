#include "link/LinkLog.h"

namespace zelvan {

Q_LOGGING_CATEGORY(lcLink, "zelvan.link", QtWarningMsg)

} // namespace zelvan

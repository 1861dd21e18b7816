#pragma once

#include <QString>

namespace zelvan {

// A text that tells of a file that could not be read, followed by the
// system's reason in brackets (nothing when the system gave none).
inline QString withReason(const QString& text, const QString& reason)
{
    return reason.isEmpty() ? text : text + QStringLiteral(" (%1)").arg(reason);
}

} // namespace zelvan

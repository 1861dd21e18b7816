#pragma once

#include <QString>

namespace zelvan::archive_texts {

// Shown to the operator while day records cannot be written: %1 the day
// file, %2 the reason, %3 how many records wait in memory.
inline QString writeFailed()
{
    return QStringLiteral("Архивът не може да се запише: %1 (%2). Чакащи записи: %3");
}
// Shown once the waiting records have reached their day files.
inline QString writeRecovered() { return QStringLiteral("Архивът се записва отново."); }

} // namespace zelvan::archive_texts

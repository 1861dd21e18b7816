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
// The file system of the data directory %1 cannot force written records to
// the disk: they are written, but a power cut may still lose the latest.
inline QString notSynced()
{
    return QStringLiteral("Архивът в %1 се записва, но файловата система не потвърждава "
                          "записа на диска: при спиране на тока последните записи може да се "
                          "загубят.");
}
// The records saved at the last exit (%1 the file) cannot be read (%2 the reason).
inline QString recoveryUnreadable()
{
    return QStringLiteral(
        "Незаписаните при последното спиране записи на архива в %1 не могат да се прочетат (%2).");
}

} // namespace zelvan::archive_texts

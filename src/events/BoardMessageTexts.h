#pragma once

#include <QString>

// Event lines of the subscriber boards.
namespace zelvan::BoardMessageTexts {

inline const QString kSwitchedOnPrefix = QStringLiteral("В ");
inline const QString kSwitchedOffPrefix = QStringLiteral("И ");
inline const QString kSignalPrefix = QStringLiteral("> ");
inline const QString kSwitchedOn = QStringLiteral("  Включен под охрана");
inline const QString kSwitchedOff = QStringLiteral("  Изключен от охрана");
inline const QString kSignalSeparator = QStringLiteral("   ");

} // namespace zelvan::BoardMessageTexts

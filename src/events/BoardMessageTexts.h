#pragma once

#include <QString>

// Texts of the subscriber boards' event lines, after the object label.
namespace zelvan::BoardMessageTexts {

inline const QString kSwitchedOn = QStringLiteral("  Включен под охрана");
inline const QString kSwitchedOff = QStringLiteral("  Изключен от охрана");
inline const QString kSignalSeparator = QStringLiteral("   ");

} // namespace zelvan::BoardMessageTexts

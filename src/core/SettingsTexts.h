#pragma once

#include <QString>

// What is wrong with a value of a key=value settings file (mqtt.ini,
// dc09.ini), in the words of the problem list.
namespace zelvan::settings_texts {

inline QString missing() { return QStringLiteral("липсва"); }
inline QString unknownKey() { return QStringLiteral("непознат ключ"); }
inline QString notBoolean() { return QStringLiteral("„%1“ не е true или false"); }
inline QString notNumber() { return QStringLiteral("„%1“ не е число от %2 до %3"); }
inline QString fileUnreadable() { return QStringLiteral("файлът %1 не може да се прочете"); }
inline QString notIniFile() { return QStringLiteral("файлът не е във формат key=value"); }

} // namespace zelvan::settings_texts

#pragma once

#include <QString>

namespace zelvan::config_texts {

// Problems found in zelvan.ini, shown once to the operator. Each value that
// could not be read has taken its default.
inline QString unreadable() { return QStringLiteral("zelvan.ini не може да се прочете (%1)."); }
inline QString missingSection()
{
    return QStringLiteral("zelvan.ini: липсва раздел %1; взети са стойностите по подразбиране.");
}
inline QString missingValue()
{
    return QStringLiteral(
        "zelvan.ini: раздел %1, ред %2 липсва; взета е стойността по подразбиране %3.");
}
inline QString badValue()
{
    return QStringLiteral("zelvan.ini: раздел %1, ред %2: \"%3\" е неправилна стойност; "
                          "взета е стойността по подразбиране %4.");
}
// The menu's options could not be written into zelvan.ini (the reason
// follows); they are kept and written again at every supervision tick.
inline QString optionsNotWritten()
{
    return QStringLiteral("Настройките от менюто не са записани в zelvan.ini (%1); "
                          "записът се опитва отново.");
}

} // namespace zelvan::config_texts

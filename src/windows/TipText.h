#pragma once

#include <QString>

namespace zelvan {

// The text of a list's tip window: the selected line between two spaces (an
// empty list gives two spaces).
inline QString tipText(const QString& selectedLine)
{
    return QLatin1Char(' ') + selectedLine + QLatin1Char(' ');
}

} // namespace zelvan

#pragma once

#include <QChar>

namespace zelvan {

// The letters that tell a module message's kind are Latin and read in either
// case: a small a..z is read as its capital, every other character (a cp1251
// letter among them) as itself. The one case rule of every message reader.
constexpr char16_t messageLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') ? char16_t(u - (u'a' - u'A')) : u;
}

} // namespace zelvan

#include "journal/PinMemory.h"

#include <sodium.h>

namespace zelvan {

void wipe(QByteArray& bytes)
{
    if (!bytes.isEmpty())
        sodium_memzero(bytes.data(), size_t(bytes.size()));
    bytes.clear();
}

void wipe(QString& text)
{
    if (!text.isEmpty())
        sodium_memzero(text.data(), size_t(text.size()) * sizeof(QChar));
    text.clear();
}

} // namespace zelvan

#pragma once

#include <QByteArray>
#include <QString>

namespace zelvan {

// Memory that held a PIN is overwritten with zeros once the PIN has been used,
// so that no copy of it stays behind in freed memory (a core dump, a page
// swapped out). A buffer shared with another copy is detached first, and only
// this copy is wiped: PIN buffers are not to be copied.
void wipe(QByteArray& bytes);
void wipe(QString& text);

// Wipes a PIN buffer when the scope ends, whichever way it ends.
template <typename Buffer> class WipeOnExit
{
public:
    explicit WipeOnExit(Buffer& buffer) : m_buffer(buffer) {}
    ~WipeOnExit() { wipe(m_buffer); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    Buffer& m_buffer;
};

} // namespace zelvan

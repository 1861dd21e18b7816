#pragma once

#include "core/StationState.h"

#include <QByteArrayView>
#include <QString>
#include <functional>

namespace zelvan {

// Turns the characters of the two serial ports into per-module messages and
// signs of life. A message that begins with "." or is exactly 49 characters
// long goes to the start-up exchange, every other one (and every "#" message)
// to the object message decoder. A partial message is bounded in length.
class ReceiveFramer
{
public:
    static constexpr int kMaxBuffer = 512;
    using Handler = std::function<void(const QString& message, int module)>;

    explicit ReceiveFramer(StationState& state);

    void setStartupHandler(Handler h) { m_startup = std::move(h); }
    void setMessageHandler(Handler h) { m_message = std::move(h); }

    void receivePort1(QByteArrayView bytes);
    void receivePort2(QByteArrayView bytes);

    // Partial messages discarded because they outgrew the buffer bound.
    quint64 discardedCount() const { return m_discarded; }

private:
    StationState& m_state;
    Handler m_startup;
    Handler m_message;
    quint64 m_discarded = 0;
};

} // namespace zelvan

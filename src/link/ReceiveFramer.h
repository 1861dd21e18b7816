#pragma once

#include "core/StationState.h"

#include <QByteArrayView>
#include <QString>
#include <array>
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
    static constexpr int kStartupLineLength = 49;
    // RxModule while the traffic after a brace with a bad module digit is ignored.
    static constexpr qint16 kNoModule = -1;
    using Handler = std::function<void(const QString& message, int module)>;

    explicit ReceiveFramer(StationState& state);

    void setStartupHandler(Handler h) { m_startup = std::move(h); }
    void setMessageHandler(Handler h) { m_message = std::move(h); }

    void receivePort1(QByteArrayView bytes);
    void receivePort2(QByteArrayView bytes);

    // Empties every module's buffers and leaves "#" mode; the module selection
    // starts afresh.
    void reset();

    // Partial messages discarded because they outgrew the buffer bound.
    quint64 discardedCount() const { return m_discarded; }
    // Braces followed by something other than a module digit 0..8.
    quint64 badSelectorCount() const { return m_badSelectors; }
    // Prompt characters heard since the start, from any module: someone is
    // asking the modules (this panel or the other one of a pair).
    quint64 promptsHeard() const { return m_prompts; }

private:
    void selectModule(char c);
    void appendText(int m, const char* text, qsizetype length);
    void control(char c, int m);
    void deliver(int m);

    StationState& m_state;
    Handler m_startup;
    Handler m_message;
    // Set when a buffer outgrew the bound: the rest of that message, up to its
    // CR, is dropped with it.
    ModuleTable<bool> m_overflow{};
    ModuleTable<bool> m_hashOverflow{};
    quint64 m_discarded = 0;
    quint64 m_badSelectors = 0;
    quint64 m_prompts = 0;
};

} // namespace zelvan

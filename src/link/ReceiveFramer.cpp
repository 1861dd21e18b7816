#include "link/ReceiveFramer.h"

#include "core/Addressing.h"
#include "core/Cp1251.h"

#include <QObject>

namespace zelvan {

namespace {

constexpr char kCR = '\r';

// Characters that are not message text. On port 1 the brace selects a module;
// on port 2 it is ordinary text.
constexpr bool isControl(char c)
{
    return c == kCR || c == '>' || c == '*' || c == '!' || c == '#';
}

constexpr bool isPort1Control(char c) { return c == '{' || isControl(c); }

constexpr bool isModuleIndex(int m) { return m >= 0 && m <= kModuleCount; }

// The message text as the decoders get it: optional "#" marker and the bytes,
// read in the Windows Cyrillic code page. Protocol traffic is plain ASCII, which
// is converted without the code page and with one allocation.
QString messageText(bool hash, QByteArrayView bytes)
{
    const qsizetype lead = hash ? 1 : 0;
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (!ascii)
        return hash ? QLatin1Char('#') + fromCp1251(bytes) : fromCp1251(bytes);
    QString text(bytes.size() + lead, Qt::Uninitialized);
    QChar* out = text.data();
    if (hash)
        *out++ = QLatin1Char('#');
    for (char c : bytes)
        *out++ = QLatin1Char(c);
    return text;
}

} // namespace

ReceiveFramer::ReceiveFramer(StationState& state) : m_state(state) {}

void ReceiveFramer::reset()
{
    for (int m = 0; m <= kModuleCount; ++m) {
        m_state.RxBuffer[size_t(m)].resize(0);
        m_state.RxHashBuffer[size_t(m)].resize(0);
        m_state.RxHashMode[size_t(m)] = 0;
    }
    m_overflow.fill(false);
    m_hashOverflow.fill(false);
    m_state.RxModule = 0;
    m_state.RxPrevChar = 0;
}

void ReceiveFramer::receivePort1(QByteArrayView bytes)
{
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    const bool hub = m_state.hubTopology();
    while (p < end) {
        const char c = *p;
        if (m_state.RxPrevChar == '{') {
            selectModule(c);
            ++p;
            continue;
        }
        if (!hub)
            m_state.RxModule = 1;
        if (c == '{') {
            m_state.RxPrevChar = '{';
            ++p;
            continue;
        }
        const int m = m_state.RxModule;
        if (!isModuleIndex(m)) {
            ++p; // traffic of an unknown module: ignored until the next valid selector
            continue;
        }
        if (isControl(c)) {
            control(c, m);
            ++p;
            continue;
        }
        const char* q = p + 1;
        while (q < end && !isPort1Control(*q))
            ++q;
        appendText(m, p, q - p);
        p = q;
    }
}

void ReceiveFramer::receivePort2(QByteArrayView bytes)
{
    constexpr int m = 2;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p < end) {
        if (isControl(*p)) {
            control(*p, m);
            ++p;
            continue;
        }
        const char* q = p + 1;
        while (q < end && !isControl(*q))
            ++q;
        appendText(m, p, q - p);
        p = q;
    }
}

void ReceiveFramer::selectModule(char c)
{
    m_state.RxPrevChar = c;
    if (c >= '0' && c <= '0' + kModuleCount) {
        m_state.RxModule = qint16(c - '0');
        return;
    }
    m_state.RxModule = kNoModule;
    ++m_badSelectors;
}

void ReceiveFramer::control(char c, int m)
{
    const size_t i = size_t(m);
    switch (c) {
    case '>':
    case '*':
    case '!':
        m_state.ModuleAnswered[i] = true;
        ++m_prompts;
        break;
    case '#':
        m_state.RxHashMode[i] = -1;
        break;
    default: // CR
        deliver(m);
        break;
    }
}

void ReceiveFramer::appendText(int m, const char* text, qsizetype length)
{
    const size_t i = size_t(m);
    const bool hash = m_state.RxHashMode[i] == -1;
    bool& overflow = hash ? m_hashOverflow[i] : m_overflow[i];
    if (overflow)
        return;
    QByteArray& buffer = hash ? m_state.RxHashBuffer[i] : m_state.RxBuffer[i];
    if (buffer.size() + length > kMaxBuffer) {
        buffer.resize(0);
        overflow = true;
        ++m_discarded;
        return;
    }
    buffer.append(text, length);
}

void ReceiveFramer::deliver(int m)
{
    const size_t i = size_t(m);
    if (m_state.RxHashMode[i] == -1) {
        // Text received before the "#" stays in RxBuffer and starts the next message.
        m_state.RxHashMode[i] = 0;
        const bool dropped = m_hashOverflow[i];
        m_hashOverflow[i] = false;
        QByteArray& buffer = m_state.RxHashBuffer[i];
        const QString message = dropped ? QString() : messageText(true, buffer);
        buffer.resize(0);
        if (!dropped && m_message)
            m_message(message, m);
        return;
    }
    const bool dropped = m_overflow[i];
    m_overflow[i] = false;
    QByteArray& buffer = m_state.RxBuffer[i];
    if (dropped) {
        buffer.resize(0);
        return;
    }
    const bool startupLine =
        (!buffer.isEmpty() && buffer.front() == '.') || buffer.size() == kStartupLineLength;
    const QString message = messageText(false, buffer);
    buffer.resize(0);
    const Handler& handler = startupLine ? m_startup : m_message;
    if (handler)
        handler(message, m);
}

} // namespace zelvan

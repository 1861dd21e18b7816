#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <optional>

namespace zelvan::dc09 {

// The CRC of a message as the receivers check it: CRC-16 with the
// polynomial 0x8005, bits reflected, starting from 0.
quint16 crc16(QByteArrayView bytes);

// "_HH:MM:SS,MM-DD-YYYY" of a moment, in UTC.
QByteArray timestamp(const QDateTime& moment);
// The moment a timestamp gives (with or without its leading "_"); nothing
// when it is not one.
std::optional<QDateTime> parseTimestamp(QByteArrayView text);

// AES in CBC mode with a zero initial vector and no padding of its own, as
// the messages use it; the key is 16, 24 or 32 bytes (AES-128/192/256).
class Cipher
{
public:
    explicit Cipher(QByteArray key) : m_key(std::move(key)) {}
    bool valid() const { return m_key.size() == 16 || m_key.size() == 24 || m_key.size() == 32; }
    // `plain` is padded in front to a whole number of blocks with random
    // characters and "|"; the result in upper-case hex.
    QByteArray encrypt(QByteArrayView plain) const;
    // The text after the "|" that ends the padding; nothing when `hex` is
    // not hex of whole blocks or does not decrypt to a padded text.
    std::optional<QByteArray> decrypt(QByteArrayView hex) const;

private:
    QByteArray m_key;
};

// What goes into one message besides its data.
struct Header
{
    QByteArray token;    // "SIA-DCS", "ADM-CID", "NULL", "ACK" … (without "*")
    int sequence = 0;    // 1..9999 (0 in a NAK)
    QByteArray receiver; // the R field, hex digits
    QByteArray line;     // the L field, hex digits
    QByteArray account;  // hex digits, without "#"
};

// One whole message: LF, CRC, length, "token", sequence, R, L, #account,
// [data], timestamp, CR. With a cipher the token gets its "*" and what
// follows "[" (the data, "]" and the timestamp) goes encrypted.
QByteArray build(const Header& header, QByteArrayView data, const QDateTime& sent,
                 const Cipher* cipher = nullptr);

// One message as read back: its fields, the data decrypted when it was
// encrypted. `error` names what was wrong with a message that is not sound
// (CRC, length, form, a block that does not decrypt); the other fields are
// then as far as they could be read.
struct Message
{
    Header header;
    bool encrypted = false;
    QByteArray data; // between "[" and "]"
    std::optional<QDateTime> sent;
    QByteArray error;
    bool sound() const { return error.isEmpty(); }
};
Message parse(QByteArrayView frame, const Cipher* cipher = nullptr);

// Cuts a stream of bytes into messages (LF … CR). Bytes before an LF are
// dropped; a message longer than kMaxFrame is dropped whole, so that a
// stream of noise cannot grow the buffer.
class FrameScanner
{
public:
    static constexpr int kMaxFrame = 2048;
    void feed(QByteArrayView bytes);
    std::optional<QByteArray> next();
    void clear() { m_buffer.clear(); }

private:
    QByteArray m_buffer;
};

} // namespace zelvan::dc09

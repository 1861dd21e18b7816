#include "dc09/Dc09Frame.h"

#include <QRandomGenerator>
#include <QTimeZone>
#include <cctype>
#include <memory>
#include <openssl/evp.h>

namespace zelvan::dc09 {

namespace {

constexpr int kBlock = 16;

QByteArray hex4(quint16 v) { return QByteArray::number(v, 16).rightJustified(4, '0').toUpper(); }

bool isHex(QByteArrayView s)
{
    for (const char c : s)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

const EVP_CIPHER* aesFor(int keySize)
{
    switch (keySize) {
    case 16:
        return EVP_aes_128_cbc();
    case 24:
        return EVP_aes_192_cbc();
    case 32:
        return EVP_aes_256_cbc();
    default:
        return nullptr;
    }
}

// One pass of AES-CBC over whole blocks.
std::optional<QByteArray> runAes(const QByteArray& key, QByteArrayView in, bool encrypting)
{
    const EVP_CIPHER* aes = aesFor(int(key.size()));
    if (!aes || in.size() % kBlock != 0)
        return std::nullopt;
    const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                              EVP_CIPHER_CTX_free);
    const unsigned char iv[kBlock] = {};
    const auto* k = reinterpret_cast<const unsigned char*>(key.constData());
    if (!ctx || EVP_CipherInit_ex(ctx.get(), aes, nullptr, k, iv, encrypting ? 1 : 0) != 1
        || EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1)
        return std::nullopt;
    QByteArray out(in.size() + kBlock, Qt::Uninitialized);
    int n = 0;
    int tail = 0;
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    if (EVP_CipherUpdate(ctx.get(), o, &n, reinterpret_cast<const unsigned char*>(in.data()),
                         int(in.size()))
            != 1
        || EVP_CipherFinal_ex(ctx.get(), o + n, &tail) != 1)
        return std::nullopt;
    out.resize(n + tail);
    return out;
}

} // namespace

quint16 crc16(QByteArrayView bytes)
{
    quint16 crc = 0;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

QByteArray timestamp(const QDateTime& moment)
{
    return '_' + moment.toUTC().toString(QStringLiteral("HH:mm:ss,MM-dd-yyyy")).toLatin1();
}

std::optional<QDateTime> parseTimestamp(QByteArrayView text)
{
    if (text.startsWith('_'))
        text = text.sliced(1);
    if (text.size() != 19)
        return std::nullopt;
    const QDateTime t =
        QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("HH:mm:ss,MM-dd-yyyy"));
    if (!t.isValid())
        return std::nullopt;
    return QDateTime(t.date(), t.time(), QTimeZone::utc());
}

QByteArray Cipher::encrypt(QByteArrayView plain) const
{
    // The pad characters are any but the three that mark the message's
    // parts; "|" ends them.
    static constexpr char kPad[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const qsizetype used = plain.size() + 1;
    const qsizetype padCount = (kBlock - used % kBlock) % kBlock;
    QByteArray text;
    text.reserve(used + padCount);
    for (qsizetype i = 0; i < padCount; ++i)
        text += kPad[QRandomGenerator::system()->bounded(int(sizeof kPad - 1))];
    text += '|';
    text += plain;
    const std::optional<QByteArray> out = runAes(m_key, text, true);
    return out ? out->toHex().toUpper() : QByteArray();
}

std::optional<QByteArray> Cipher::decrypt(QByteArrayView hex) const
{
    if (hex.isEmpty() || hex.size() % (2 * kBlock) != 0 || !isHex(hex))
        return std::nullopt;
    const std::optional<QByteArray> plain =
        runAes(m_key, QByteArray::fromHex(hex.toByteArray()), false);
    if (!plain)
        return std::nullopt;
    const qsizetype bar = plain->indexOf('|');
    if (bar < 0 || bar >= kBlock)
        return std::nullopt;
    // A receiver whose cipher pads by itself leaves that padding at the end.
    QByteArray text = plain->mid(bar + 1);
    while (!text.isEmpty() && quint8(text.back()) < 0x20)
        text.chop(1);
    // A wrong key gives bytes, not text.
    for (const char c : std::as_const(text))
        if (quint8(c) < 0x20 || quint8(c) > 0x7E)
            return std::nullopt;
    return text;
}

QByteArray build(const Header& header, QByteArrayView data, const QDateTime& sent,
                 const Cipher* cipher)
{
    const bool encrypted = cipher && cipher->valid();
    QByteArray body = '"' + (encrypted ? "*" + header.token : header.token) + '"';
    body += QByteArray::number(header.sequence).rightJustified(4, '0');
    body += 'R' + header.receiver + 'L' + header.line + '#' + header.account + '[';
    const QByteArray rest = data.toByteArray() + ']' + timestamp(sent);
    body += encrypted ? cipher->encrypt(rest) : rest;
    const QByteArray length =
        '0' + QByteArray::number(body.size(), 16).rightJustified(3, '0').toUpper();
    return '\n' + hex4(crc16(body)) + length + body + '\r';
}

Message parse(QByteArrayView frame, const Cipher* cipher)
{
    Message m;
    if (frame.startsWith('\n'))
        frame = frame.sliced(1);
    if (frame.endsWith('\r'))
        frame = frame.chopped(1);
    if (frame.size() < 10 || frame[8] != '"') {
        m.error = "form";
        return m;
    }
    const QByteArrayView body = frame.sliced(8);
    bool ok = false;
    const quint16 crc = frame.first(4).toUShort(&ok, 16);
    if (!ok || crc != crc16(body))
        m.error = "CRC";
    const int length = frame.sliced(4, 4).toInt(&ok, 16);
    if (m.sound() && (!ok || length != body.size()))
        m.error = "length";
    const qsizetype close = body.indexOf('"', 1);
    if (close < 0) {
        m.error = "form";
        return m;
    }
    QByteArrayView token = body.sliced(1, close - 1);
    m.encrypted = token.startsWith('*');
    m.header.token = (m.encrypted ? token.sliced(1) : token).toByteArray();
    const qsizetype open = body.indexOf('[', close);
    if (open < 0) {
        m.error = "form";
        return m;
    }
    // Sequence, R, L and #account between the token and "[".
    QByteArrayView fields = body.sliced(close + 1, open - close - 1);
    qsizetype i = 0;
    while (i < fields.size() && std::isdigit(static_cast<unsigned char>(fields[i])))
        ++i;
    m.header.sequence = fields.first(i).toInt();
    auto field = [&](char mark) {
        if (i >= fields.size() || fields[i] != mark)
            return QByteArray();
        const qsizetype from = ++i;
        while (i < fields.size() && std::isxdigit(static_cast<unsigned char>(fields[i])))
            ++i;
        return fields.sliced(from, i - from).toByteArray();
    };
    m.header.receiver = field('R');
    m.header.line = field('L');
    m.header.account = field('#');
    QByteArray rest = body.sliced(open + 1).toByteArray();
    if (m.encrypted) {
        const std::optional<QByteArray> plain =
            cipher && cipher->valid() ? cipher->decrypt(rest) : std::nullopt;
        if (!plain) {
            if (m.sound())
                m.error = "cipher";
            return m;
        }
        rest = *plain;
    }
    const qsizetype end = rest.lastIndexOf(']');
    if (end < 0) {
        if (m.sound())
            m.error = "form";
        return m;
    }
    m.data = rest.first(end);
    // Extended data blocks ("[X…]") may come before the timestamp.
    const qsizetype stamp = rest.indexOf('_', end);
    if (stamp >= 0)
        m.sent = parseTimestamp(QByteArrayView(rest).sliced(stamp));
    return m;
}

void FrameScanner::feed(QByteArrayView bytes)
{
    m_buffer += bytes;
    if (m_buffer.size() > 4 * kMaxFrame) {
        // Noise without an end: only the start of a message after the last LF is kept.
        const qsizetype lf = m_buffer.lastIndexOf('\n');
        m_buffer = lf < 0 || m_buffer.size() - lf > kMaxFrame ? QByteArray() : m_buffer.mid(lf);
    }
}

std::optional<QByteArray> FrameScanner::next()
{
    for (;;) {
        const qsizetype lf = m_buffer.indexOf('\n');
        if (lf < 0) {
            m_buffer.clear();
            return std::nullopt;
        }
        const qsizetype cr = m_buffer.indexOf('\r', lf);
        if (cr < 0) {
            m_buffer.remove(0, lf);
            return std::nullopt;
        }
        // A second LF before the CR starts the message over there.
        const qsizetype again = m_buffer.lastIndexOf('\n', cr);
        QByteArray frame = m_buffer.mid(again, cr - again + 1);
        m_buffer.remove(0, cr + 1);
        if (frame.size() <= kMaxFrame)
            return frame;
    }
}

} // namespace zelvan::dc09

#include "core/RecordFile.h"

#include "core/Cp1251.h"
#include "core/DurableFile.h"

#include <QFile>
#include <QtEndian>

namespace zelvan {

RecordFile::RecordFile(QString path, int recordLength)
    : m_path(std::move(path)), m_length(recordLength)
{
}

bool RecordFile::exists() const { return QFile::exists(m_path); }

QString RecordFile::readProblem() const
{
    QFile file(m_path);
    if (!file.exists())
        return {};
    if (file.open(QIODevice::ReadOnly)) {
        file.readAll();
        if (file.error() == QFileDevice::NoError)
            return {};
    }
    return m_path + QStringLiteral(": ") + file.errorString();
}

QByteArray RecordFile::read(int r) const { return readRange(r, 1); }

QByteArray RecordFile::readRange(int first, int count) const
{
    QByteArray bytes;
    const qint64 wanted = qint64(qMax(count, 0)) * m_length;
    if (first >= 1) {
        QFile file(m_path);
        if (file.open(QIODevice::ReadOnly)) {
            const qint64 offset = qint64(first - 1) * m_length;
            if (offset < file.size() && file.seek(offset))
                bytes = file.read(wanted);
        }
    }
    bytes.resize(wanted, '\0');
    return bytes;
}

bool RecordFile::write(int r, QByteArrayView field) const
{
    m_error.clear();
    if (r < 1) {
        m_error = QStringLiteral("record %1").arg(r);
        return false;
    }
    QByteArray bytes(field.data(), qMin<qsizetype>(field.size(), m_length));
    bytes.resize(m_length, '\0');
    DurableFile file(m_path);
    if (!file.writeAt(qint64(r - 1) * m_length, bytes)) {
        m_error = file.errorString();
        return false;
    }
    return true;
}

bool RecordFile::create(const QByteArray& records) const
{
    m_error.clear();
    DurableFile file(m_path);
    if (!file.replace(records)) {
        m_error = file.errorString();
        return false;
    }
    return true;
}

namespace record {

namespace {

QByteArray zeroFilled(QByteArray bytes, int recordLength)
{
    bytes.resize(qMax<qsizetype>(recordLength, bytes.size()), '\0');
    return bytes;
}

quint16 readU16(QByteArrayView bytes, qsizetype at)
{
    if (bytes.size() < at + 2)
        return 0;
    return qFromLittleEndian<quint16>(bytes.data() + at);
}

} // namespace

QByteArray encodeText(QStringView text, int recordLength)
{
    QByteArray encoded = toCp1251(text);
    const int capacity = qMax(0, recordLength - 2);
    if (encoded.size() > capacity)
        encoded.truncate(capacity);
    QByteArray bytes(2, '\0');
    qToLittleEndian<quint16>(quint16(encoded.size()), bytes.data());
    bytes += encoded;
    return zeroFilled(bytes, recordLength);
}

QString decodeText(QByteArrayView record)
{
    const qsizetype length =
        qMin<qsizetype>(readU16(record, 0), qMax<qsizetype>(0, record.size() - 2));
    return fromCp1251(record.sliced(qMin<qsizetype>(2, record.size()), length));
}

QByteArray encodeInt16(qint16 value, int recordLength)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian<quint16>(2, bytes.data());
    qToLittleEndian<qint16>(value, bytes.data() + 2);
    return zeroFilled(bytes, recordLength);
}

QByteArray encodeInt32(qint32 value, int recordLength)
{
    QByteArray bytes(6, '\0');
    qToLittleEndian<quint16>(3, bytes.data());
    qToLittleEndian<qint32>(value, bytes.data() + 2);
    return zeroFilled(bytes, recordLength);
}

qint32 decodeTagged(QByteArrayView record)
{
    switch (readU16(record, 0)) {
    case 2:
        return record.size() >= 4 ? qFromLittleEndian<qint16>(record.data() + 2) : 0;
    case 3:
        return record.size() >= 6 ? qFromLittleEndian<qint32>(record.data() + 2) : 0;
    default:
        return 0;
    }
}

QByteArray encodeRawInt32(qint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian<qint32>(value, bytes.data());
    return bytes;
}

qint32 decodeRawInt32(QByteArrayView record)
{
    return record.size() >= 4 ? qFromLittleEndian<qint32>(record.data()) : 0;
}

} // namespace record

} // namespace zelvan

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QtGlobal>

namespace zelvan {

// A random-access file of fixed-length records, counted from 1, with no
// header. Every call opens the file, reads or writes one record (or the whole
// table) and closes it, so other readers see each completed write.
class RecordFile
{
public:
    RecordFile(QString path, int recordLength);

    const QString& path() const { return m_path; }
    int recordLength() const { return m_length; }
    bool exists() const;

    // Record r, always recordLength() bytes: a record that ends early (short
    // last record) or lies beyond the end of the file is padded with zeros.
    QByteArray read(int r) const;
    // Records first .. first + count - 1 in one access, padded with zeros as
    // read() pads one record.
    QByteArray readRange(int first, int count) const;
    // Writes record r, zero-filled after the field; a file shorter than the
    // record's offset is extended with zeros first.
    bool write(int r, QByteArrayView field) const;
    // Writes a complete new file from `records` (already in record order)
    // through a temporary file, so an interrupted creation never leaves a
    // truncated file behind that would then be used as it is.
    bool create(const QByteArray& records) const;

    QString errorString() const { return m_error; }
    // Why the file, there, cannot be read to its end ("path: reason"); empty
    // when it can, or when it is missing (a missing file reads as empty
    // records).
    QString readProblem() const;

private:
    QString m_path;
    int m_length;
    mutable QString m_error;
};

// Field codecs shared by the three object data files.
namespace record {

// 16-bit little-endian length and the cp1251 text, cut to the record's
// capacity (recordLength - 2 characters), zero-filled to recordLength.
QByteArray encodeText(QStringView text, int recordLength);
// The text of a record; a length beyond the record's capacity is cut to it.
QString decodeText(QByteArrayView record);

// Tagged numbers: type code 2 = 16-bit signed value, 3 = 32-bit signed value.
QByteArray encodeInt16(qint16 value, int recordLength);
QByteArray encodeInt32(qint32 value, int recordLength);
// Either code; any other code (an empty record included) reads as 0.
qint32 decodeTagged(QByteArrayView record);

// A plain 32-bit little-endian value without a type code (Color.dat).
QByteArray encodeRawInt32(qint32 value);
qint32 decodeRawInt32(QByteArrayView record);

} // namespace record

} // namespace zelvan

#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace zelvan::test {

// The rows of a spreadsheet file read back by the rules it was written by
// (RFC 4180): fields split at the separator outside quotes, doubled quotes
// inside quoted fields, rows ended by CR LF. A leading UTF-8 byte-order mark
// is dropped.
QList<QStringList> parseCsv(const QByteArray& bytes, QChar separator = u';');

} // namespace zelvan::test

#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

namespace zelvan::test {

// The whole content of a file; empty when it cannot be read.
QByteArray fileBytes(const QString& path);
// Replaces a file's content; fails the running test when it cannot be written.
void writeBytes(const QString& path, const QByteArray& bytes);
// The record letters of day-file records (positions 5-6 hold the letter's code).
QString recordLetters(const QByteArrayList& records);

} // namespace zelvan::test

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

// A file that is there but cannot be opened, even by root: a directory in its
// place. False when it cannot be made.
bool makeUnopenable(const QString& path);
// A file that opens but whose first read fails (EIO): a link to the memory of
// the process itself at its unmapped address 0. False when it cannot be made.
bool makeReadBreakOff(const QString& path);

} // namespace zelvan::test

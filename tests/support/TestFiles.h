#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QTemporaryDir>

class QWidget;

namespace zelvan::test {

// With ZELVAN_DESK_SHOTS set to a folder, a window is saved there as a picture.
void deskShot(QWidget* window, const char* name);

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

// The operator's home folder in a temporary directory for as long as it
// lives: HOME and XDG_CONFIG_HOME point into it, so the documents folder the
// save dialogs start in is <home>/Documents, not the account's own.
class TemporaryHome
{
public:
    TemporaryHome();
    ~TemporaryHome();
    TemporaryHome(const TemporaryHome&) = delete;
    TemporaryHome& operator=(const TemporaryHome&) = delete;

    QString path() const { return m_dir.path(); }
    QString documents() const { return m_dir.filePath(QStringLiteral("Documents")); }

private:
    QTemporaryDir m_dir;
    QByteArray m_home;
    QByteArray m_config;
    bool m_hadConfig;
};

} // namespace zelvan::test

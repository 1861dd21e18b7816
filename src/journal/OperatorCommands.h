#pragma once

#include "journal/OperatorsFile.h"

#include <QString>
#include <QStringList>

class QCommandLineParser;
class QTextStream;

namespace zelvan {

class PinInput;

// The program's commands that manage the operators file and end, without the
// panel: --operator-add NAME (the PIN typed twice at the terminal without
// echo, or one line of standard input with --pin-stdin), --operator-remove
// NAME, --operator-list (the names, one a line); and --journal-verify
// [yy-mm-dd], the check of the journal's chain, day by day. One line on the error output
// says why a command failed; the PIN is never shown.
class OperatorCommands
{
public:
    // Exit statuses.
    enum Status
    {
        Done = 0,
        FileProblem = 1, // the file refused, unreadable or not written; a journal line
                         // changed, removed or inserted
        BadUsage = 2,    // the command line, a name, a PIN, the PINs differ
    };
    struct Console
    {
        int in; // standard input: the terminal or the script that gives the PIN
        QTextStream& out;
        QTextStream& err;
    };

    OperatorCommands(QString programDir, Console console);

    // The options, for the program's parser and its --help.
    static void addOptions(QCommandLineParser& parser);
    // Whether the program's arguments (its name first) hold one of the
    // options: then they are answered, and the panel is not started.
    static bool asked(const QStringList& arguments);

    // Runs the command of a command line that the parser has read.
    int run(const QCommandLineParser& parser);

private:
    int add(const QString& name, bool pinFromStdin);
    int remove(const QString& name);
    int list();
    int verifyJournal(const QString& day);
    int readPin(bool fromStdin, QByteArray& pin);
    int readPinLine(PinInput& input, QByteArray& line, bool hidden);
    int failedChange();
    int fail(int status, const QString& message);

    QString m_programDir;
    OperatorsFile m_file;
    Console m_console;
};

} // namespace zelvan

#include "journal/OperatorCommands.h"

#include "core/ZelvanIni.h"
#include "journal/Journal.h"
#include "journal/JournalKey.h"
#include "journal/JournalTexts.h"
#include "journal/JournalVerifier.h"
#include "journal/PinInput.h"
#include "journal/PinMemory.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

namespace zelvan {

namespace texts = journal_texts;

namespace {

const QString kAdd = QStringLiteral("operator-add");
const QString kRemove = QStringLiteral("operator-remove");
const QString kList = QStringLiteral("operator-list");
const QString kPinStdin = QStringLiteral("pin-stdin");
const QString kVerify = QStringLiteral("journal-verify");

} // namespace

OperatorCommands::OperatorCommands(QString programDir, Console console)
    : m_programDir(std::move(programDir)), m_file(m_programDir), m_console(console)
{
}

void OperatorCommands::addOptions(QCommandLineParser& parser)
{
    parser.addOption({kAdd,
                      QStringLiteral("Adds the operator NAME to the operators file of the program "
                                     "directory, or gives NAME a new PIN (4 to 12 digits, typed "
                                     "twice at the terminal, not shown), and exits."),
                      QStringLiteral("NAME")});
    parser.addOption(
        {kRemove, QStringLiteral("Removes the operator NAME and exits."), QStringLiteral("NAME")});
    parser.addOption(
        {kList, QStringLiteral("Prints the names of the operators, one a line, and exits.")});
    parser.addOption({kPinStdin, QStringLiteral("With --operator-add: reads the PIN once, as one "
                                                "line of standard input (for scripts).")});
    parser.addOption(
        {kVerify, QStringLiteral("Checks the chain of the journal of the operator's actions, of "
                                 "the day yy-mm-dd given after it or of every day, against the "
                                 "journal's key; prints what it finds for each day and exits, "
                                 "non-zero when a line was changed, removed or inserted.")});
}

bool OperatorCommands::asked(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--"))
            return false;
        for (const QString& name : {kAdd, kRemove, kList, kPinStdin, kVerify}) {
            const QString option = QStringLiteral("--") + name;
            if (argument == option || argument.startsWith(option + QLatin1Char('=')))
                return true;
        }
    }
    return false;
}

int OperatorCommands::run(const QCommandLineParser& parser)
{
    const qsizetype commands = parser.values(kAdd).size() + parser.values(kRemove).size()
                               + (parser.isSet(kList) ? 1 : 0) + (parser.isSet(kVerify) ? 1 : 0);
    if (commands != 1)
        return fail(BadUsage, texts::oneCommand());
    if (parser.isSet(kPinStdin) && !parser.isSet(kAdd))
        return fail(BadUsage, texts::pinStdinWithAdd());
    if (parser.isSet(kVerify) && parser.positionalArguments().size() <= 1)
        return verifyJournal(parser.positionalArguments().value(0));
    if (!parser.positionalArguments().isEmpty())
        return fail(BadUsage,
                    texts::unexpectedArguments().arg(parser.positionalArguments().join(' ')));
    if (parser.isSet(kAdd))
        return add(parser.value(kAdd), parser.isSet(kPinStdin));
    if (parser.isSet(kRemove))
        return remove(parser.value(kRemove));
    return list();
}

int OperatorCommands::add(const QString& name, bool pinFromStdin)
{
    // What can be said before the PIN is typed is said first.
    if (!OperatorsFile::validName(name))
        return fail(BadUsage, texts::badName());
    if (const QString problem = m_file.read().problem; !problem.isEmpty())
        return fail(FileProblem, problem);
    QByteArray digits;
    const WipeOnExit wipeDigits(digits);
    if (const int status = readPin(pinFromStdin, digits); status != Done)
        return status;
    QString pin = QString::fromLatin1(digits);
    const WipeOnExit wipePin(pin);
    return m_file.add(name, pin) ? int(Done) : failedChange();
}

int OperatorCommands::remove(const QString& name)
{
    return m_file.remove(name) ? int(Done) : failedChange();
}

int OperatorCommands::list()
{
    const OperatorsFile::Read now = m_file.read();
    if (!now.problem.isEmpty())
        return fail(FileProblem, now.problem);
    for (const OperatorRecord& op : now.operators)
        m_console.out << op.name << '\n';
    m_console.out.flush();
    return Done;
}

// The day named, or every day file of the data directory that zelvan.ini
// names, checked against the key; the key is never made here.
int OperatorCommands::verifyJournal(const QString& day)
{
    static const QRegularExpression dayPattern(QStringLiteral("^\\d\\d-\\d\\d-\\d\\d$"));
    if (!day.isEmpty() && !dayPattern.match(day).hasMatch())
        return fail(BadUsage, texts::verifyBadDay().arg(day));
    const JournalKey::Loaded key = JournalKey::load(m_programDir, false);
    if (key.key.isEmpty())
        return fail(FileProblem, key.problem + QLatin1Char(' ') + texts::verifyNoKey());
    const QDir data(ZelvanIni(m_programDir).readStartup().DataDir);
    const QStringList files =
        day.isEmpty() ? data.entryList({QStringLiteral("[0-9][0-9]-[0-9][0-9]-[0-9][0-9].jrn")},
                                       QDir::Files, QDir::Name)
                      : QStringList{day + QStringLiteral(".jrn")};
    if (files.isEmpty()) {
        m_console.out << texts::verifyNoDays().arg(data.path()) << '\n';
        m_console.out.flush();
        return Done;
    }
    const JournalVerifier verifier(key.key);
    int status = Done;
    for (const QString& name : files) {
        QFile file(data.filePath(name));
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
        if (!file.isOpen() || file.error() != QFileDevice::NoError) {
            m_console.out << texts::verifyUnreadable().arg(file.fileName(), file.errorString())
                          << '\n';
            status = FileProblem;
            continue;
        }
        const JournalCheck check = verifier.verify(bytes, name.chopped(4));
        for (const QString& line : JournalVerifier::describe(check, name))
            m_console.out << line << '\n';
        if (check.broken())
            status = FileProblem;
    }
    m_console.out.flush();
    return status;
}

int OperatorCommands::readPin(bool fromStdin, QByteArray& pin)
{
    PinInput input(m_console.in);
    if (fromStdin)
        return readPinLine(input, pin, false);
    if (!input.isTerminal())
        return fail(BadUsage, texts::noTerminal());
    const PinInput::EchoOff hidden(input);
    QByteArray again;
    const WipeOnExit wipeAgain(again);
    for (QByteArray* line : {&pin, &again}) {
        m_console.err << (line == &pin ? texts::pinPrompt() : texts::pinAgainPrompt());
        m_console.err.flush();
        if (const int status = readPinLine(input, *line, true); status != Done)
            return status;
    }
    return pin == again ? int(Done) : fail(BadUsage, texts::pinsDiffer());
}

int OperatorCommands::readPinLine(PinInput& input, QByteArray& line, bool hidden)
{
    const PinInput::Outcome outcome = input.readLine(line);
    if (hidden) {
        // The Enter that ended the line was not shown either.
        m_console.err << '\n';
        m_console.err.flush();
    }
    switch (outcome) {
    case PinInput::Outcome::Line:
        return Done;
    case PinInput::Outcome::End:
        return fail(BadUsage, texts::noPinGiven());
    case PinInput::Outcome::Failed:
        break;
    }
    return fail(FileProblem, texts::pinNotRead().arg(input.errorString()));
}

int OperatorCommands::failedChange()
{
    switch (m_file.failure()) {
    case OperatorsFile::Failure::None:
        return Done;
    case OperatorsFile::Failure::Name:
    case OperatorsFile::Failure::Pin:
    case OperatorsFile::Failure::NotThere:
        return fail(BadUsage, m_file.errorString());
    case OperatorsFile::Failure::File:
        break;
    }
    return fail(FileProblem, m_file.errorString());
}

int OperatorCommands::fail(int status, const QString& message)
{
    m_console.err << QStringLiteral("zelvan: ") << message << '\n';
    m_console.err.flush();
    return status;
}

} // namespace zelvan

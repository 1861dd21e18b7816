// The program: reads the command line, builds the operator's desk over the
// real ports, clock and sound, and runs the event loop.
#include "app/AppTexts.h"
#include "app/OperatorDesk.h"
#include "core/ProgramVersion.h"
#include "journal/OperatorCommands.h"
#include "platform/SerialPortLine.h"
#include "platform/SystemClock.h"
#include "platform/TerminationSignals.h"
#include "platform/ToneBeeper.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTextStream>
#include <cstdio>
#include <string_view>
#include <unistd.h>

namespace {

// Without a display the station still monitors and archives: it runs on the
// offscreen platform. The platform is chosen before the application exists;
// the operator is told only once the command line has been read, so that
// --help and --version print nothing but their answer.
bool chooseOffscreenWithoutDisplay()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY")
        || qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        return false;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return true;
}

// The program directory holds zelvan.ini. Without --home it is the directory
// of the executable; an installed program (in a directory the operator cannot
// write, and with no zelvan.ini there) uses the per-user data directory instead.
QString defaultProgramDir()
{
    QString exeDir = QCoreApplication::applicationDirPath();
    if (QFileInfo::exists(exeDir + QStringLiteral("/zelvan.ini")) || QFileInfo(exeDir).isWritable())
        return exeDir;
    QString user = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(user);
    QTextStream(stderr) << "zelvan: " << exeDir << " is not writable; program directory " << user
                        << '\n';
    return user;
}

bool interactivePlatform()
{
    const QString p = QGuiApplication::platformName();
    return p != QLatin1String("offscreen") && p != QLatin1String("minimal");
}

// The command line of both kinds of start.
struct CommandLine
{
    QCommandLineParser parser;
    QCommandLineOption help;
    QCommandLineOption version;
    QCommandLineOption home{
        QStringLiteral("home"),
        QStringLiteral("Program directory holding zelvan.ini; created when missing (default: the "
                       "directory of the executable, or the per-user data directory when that "
                       "cannot be written)."),
        QStringLiteral("DIR")};

    CommandLine() : help(parser.addHelpOption()), version(parser.addVersionOption())
    {
        parser.setApplicationDescription(zelvan::apptexts::kProgramDescription);
        parser.addOption(home);
        zelvan::OperatorCommands::addOptions(parser);
    }
};

// The program directory: the one --home names (created when missing), or the
// default. Empty, said on the error output, when --home names one that cannot
// be made.
QString programDirOf(const CommandLine& cl)
{
    if (!cl.parser.isSet(cl.home))
        return defaultProgramDir();
    const QString home = cl.parser.value(cl.home);
    if (!QDir().mkpath(home) || !QFileInfo(home).isDir()) {
        QTextStream(stderr) << "zelvan: --home " << home
                            << " is not a directory and cannot be created\n";
        return {};
    }
    return QFileInfo(home).absoluteFilePath();
}

void setIdentity()
{
    QCoreApplication::setApplicationName(zelvan::apptexts::kProgramName);
    QCoreApplication::setApplicationVersion(zelvan::programVersion());
}

// --help and --version need no windowing system: they are answered before
// the graphical application (and its platform, display and warnings) exists.
bool asksForHelpOrVersion(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--")
            return false;
        if (a == "-h" || a == "-?" || a == "--help" || a == "--help-all" || a == "-v"
            || a == "--version")
            return true;
    }
    return false;
}

int answerHelpOrVersion(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    setIdentity();
    CommandLine cl;
    // Options of the graphical application (-platform, -style ...) are not
    // known here; they do not spoil the answer.
    cl.parser.parse(QCoreApplication::arguments());
    if (cl.parser.isSet(cl.version))
        cl.parser.showVersion();
    if (cl.parser.isSet(cl.help))
        cl.parser.showHelp(0);
    cl.parser.process(app); // --help-all
    return 0;
}

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// The commands that manage the operators file answer and end, like --help:
// no windowing system, no panel lock, the panel not started.
int runOperatorCommand(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    setIdentity();
    CommandLine cl;
    if (!cl.parser.parse(QCoreApplication::arguments())) {
        QTextStream(stderr) << "zelvan: " << cl.parser.errorText() << '\n';
        return zelvan::OperatorCommands::BadUsage;
    }
    const QString programDir = programDirOf(cl);
    if (programDir.isEmpty())
        return zelvan::OperatorCommands::BadUsage;
    QTextStream out(stdout);
    QTextStream err(stderr);
    return zelvan::OperatorCommands(programDir, {STDIN_FILENO, out, err}).run(cl.parser);
}

} // namespace

int main(int argc, char* argv[])
{
    if (asksForHelpOrVersion(argc, argv))
        return answerHelpOrVersion(argc, argv);
    if (zelvan::OperatorCommands::asked(argumentsOf(argc, argv)))
        return runOperatorCommand(argc, argv);

    const bool offscreen = chooseOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    setIdentity();
    CommandLine cl;
    cl.parser.process(app);
    if (offscreen)
        std::fputs("zelvan: no display; running without windows (offscreen)\n", stderr);

    const QString programDir = programDirOf(cl);
    if (programDir.isEmpty())
        return 2;

    // A service stopped, Ctrl-C or a closed terminal end the panel: the event
    // loop is left at once (no window is asked whether it may close) and the
    // desk is taken down in order, journaling the exit.
    zelvan::TerminationSignals termination;
    QObject::connect(&termination, &zelvan::TerminationSignals::received, &app,
                     [](int) { QCoreApplication::exit(0); });

    zelvan::SystemClock clock;
    zelvan::ToneBeeper beeper;
    zelvan::SerialPortLine port1;
    zelvan::SerialPortLine port2;
    zelvan::OperatorDesk desk({clock, beeper, port1, port2}, programDir);
    const zelvan::OperatorDesk::Started started = desk.start();
    if (started.outcome != zelvan::OperatorDesk::Outcome::Running) {
        QTextStream(stderr) << "zelvan: " << started.message << '\n';
        if (interactivePlatform())
            QMessageBox::critical(nullptr, zelvan::apptexts::kSplashTitle, started.message);
        return 1;
    }
    return app.exec();
}

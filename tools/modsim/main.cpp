// zelvan-modsim: plays the hub and the line-monitoring modules on pseudo-terminals.

#include "modsim/EventLog.h"
#include "modsim/ModuleSimulator.h"
#include "modsim/PtyLink.h"
#include "modsim/RandomTraffic.h"
#include "modsim/SimulatorConsole.h"
#include "modsim/SplitLine.h"

#include "core/ProgramVersion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

using namespace zelvan::modsim;

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &c, 1);
}

void say(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    if (!text.endsWith(u'\n'))
        std::fputc('\n', stdout);
    std::fflush(stdout);
}

[[noreturn]] void die(const QString& text)
{
    std::fprintf(stderr, "zelvan-modsim: %s\n", text.toLocal8Bit().constData());
    std::exit(2);
}

// "1,3,5-8" -> {1, 3, 5, 6, 7, 8}; "none" -> {}.
QList<int> moduleList(const QString& text)
{
    QList<int> list;
    if (text == u"none")
        return list;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        const QStringList range = part.split(u'-');
        bool ok1 = false, ok2 = true;
        const int from = range[0].toInt(&ok1);
        const int to = range.size() > 1 ? range[1].toInt(&ok2) : from;
        if (!ok1 || !ok2 || range.size() > 2 || from < 1 || to > ModuleSimulator::kModules
            || from > to)
            die(QStringLiteral("bad module list '%1'").arg(text));
        for (int m = from; m <= to; ++m)
            list.append(m);
    }
    return list;
}

QString usageText(const QCommandLineParser& parser)
{
    return parser.helpText() + QStringLiteral("\n") + SimulatorConsole::commandHelp()
           + QStringLiteral(
               "\nScenario file: one command per line, '<ms> <command>' at ms after the start,\n"
               "'+<ms> <command>' ms after the previous line; '#' begins a comment.\n\n")
           + SimulatorConsole::behaviourHelp()
           + QStringLiteral(
               "\nOn start the program prints one line per linked line ('line 1: PATH -> "
               "/dev/pts/N')\n"
               "and then 'ready'. It ends on 'quit', SIGINT or SIGTERM and removes its links;\n"
               "the end of standard input does not end it.\n"
               "\nWith --split, line 1 is linked twice ('line 1: PATH -> /dev/pts/N side A',\n"
               "then side B); every write of a panel is printed as\n"
               "'split <ms> ms <A|B> PATH wrote <n>: <characters>' (not with --quiet), a\n"
               "period in which both sides wrote as 'both wrote: period from <ms> ms, A <n>\n"
               "characters, B <n> characters', and at the end, and in 'status', each side's\n"
               "total as 'split <A|B> PATH wrote <n> characters'. With --event-log the writes\n"
               "and the periods are notes of the log too. A split line does not hang up;\n"
               "'drop A|B' takes one side away for good.\n");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zelvan-modsim"));
    QCoreApplication::setApplicationVersion(zelvan::programVersion());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays the hub and up to eight line-monitoring modules of a Zelvan 064 station on\n"
        "pseudo-terminals, for demonstrations, operator training, tests and load runs."));
    const QCommandLineOption helpOpt({QStringLiteral("h"), QStringLiteral("help")},
                                     QStringLiteral("Shows this help."));
    const QCommandLineOption topologyOpt(
        QStringLiteral("topology"),
        QStringLiteral("hub (default): one line through a hub; direct: module 1 "
                       "on --link, module 2 on --link2."),
        QStringLiteral("hub|direct"), QStringLiteral("hub"));
    const QCommandLineOption linkOpt(
        QStringLiteral("link"),
        QStringLiteral("Symbolic link to make at PATH for line 1 (this or --split is required)."),
        QStringLiteral("PATH"));
    const QCommandLineOption splitOpt(
        QStringLiteral("split"),
        QStringLiteral("Line 1 on two pseudo-terminals instead of --link, for two panels: both "
                       "get all the modules send, what either writes reaches the modules."),
        QStringLiteral("PATH_A,PATH_B"));
    const QCommandLineOption splitPeriodOpt(
        QStringLiteral("split-period"),
        QStringLiteral("Length of the supervision period in which writes from both sides of "
                       "--split are reported (default 10000 ms, the panel's tick)."),
        QStringLiteral("MS"), QString::number(SplitLine::kDefaultPeriodMs));
    const QCommandLineOption link2Opt(QStringLiteral("link2"),
                                      QStringLiteral("Symbolic link for line 2 (direct topology)."),
                                      QStringLiteral("PATH"));
    const QCommandLineOption modulesOpt(
        QStringLiteral("modules"),
        QStringLiteral("Modules present, e.g. 1-8 (default), 1,3,5-6; direct "
                       "topology allows 1 and 2 only."),
        QStringLiteral("LIST"));
    const QCommandLineOption silentOpt(
        QStringLiteral("silent"), QStringLiteral("Modules present but not answering at start."),
        QStringLiteral("LIST"));
    const QCommandLineOption groupsOpt(
        QStringLiteral("groups"),
        QStringLiteral("Installed groups: CCCCCCCC for every module or "
                       "M:CCCCCCCC for one ('N' = absent, default YYYYYYYY). "
                       "May be repeated."),
        QStringLiteral("M:GROUPS"));
    const QCommandLineOption takeDelayOpt(
        QStringLiteral("take-delay"),
        QStringLiteral("Milliseconds between P<n> and #P<n> (default 300)."), QStringLiteral("MS"),
        QStringLiteral("300"));
    const QCommandLineOption baudOpt(
        QStringLiteral("baud"),
        QStringLiteral("Paces output at N baud, 10 bits a character (default 0: "
                       "unpaced)."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption rateOpt(
        QStringLiteral("random-rate"),
        QStringLiteral("Random guard-state events per second (default 0: none)."),
        QStringLiteral("R"), QStringLiteral("0"));
    const QCommandLineOption seedOpt(QStringLiteral("random-seed"),
                                     QStringLiteral("Seed of the random traffic (default 1)."),
                                     QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption countOpt(
        QStringLiteral("random-count"),
        QStringLiteral("Stop the random traffic after N events (default: no limit)."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption durationOpt(
        QStringLiteral("random-duration"),
        QStringLiteral("Stop the random traffic after SEC seconds (default: no "
                       "limit)."),
        QStringLiteral("SEC"), QStringLiteral("0"));
    const QCommandLineOption delayOpt(
        QStringLiteral("random-start"),
        QStringLiteral("Start the random traffic SEC seconds after the program "
                       "(default 0; give the panel time for its start-up)."),
        QStringLiteral("SEC"), QStringLiteral("0"));
    const QCommandLineOption logOpt(
        QStringLiteral("event-log"),
        QStringLiteral("Write every guard-state message sent to FILE (replaced)."),
        QStringLiteral("FILE"));
    const QCommandLineOption scenarioOpt(QStringLiteral("scenario"),
                                         QStringLiteral("Run the timed commands of FILE."),
                                         QStringLiteral("FILE"));
    const QCommandLineOption exitOpt(
        QStringLiteral("exit-after"),
        QStringLiteral("End the program SEC seconds after the start (default: never)."),
        QStringLiteral("SEC"), QStringLiteral("0"));
    const QCommandLineOption quietOpt(
        QStringLiteral("quiet"),
        QStringLiteral("Print only errors and 'ready' (with --split also the periods "
                       "in which both wrote and the totals)."));
    parser.addOption(helpOpt);
    parser.addVersionOption();
    for (const auto* o :
         {&topologyOpt, &linkOpt, &splitOpt, &splitPeriodOpt, &link2Opt, &modulesOpt, &silentOpt,
          &groupsOpt, &takeDelayOpt, &baudOpt, &rateOpt, &seedOpt, &countOpt, &durationOpt,
          &delayOpt, &logOpt, &scenarioOpt, &exitOpt, &quietOpt})
        parser.addOption(*o);
    parser.process(app);
    if (parser.isSet(helpOpt)) {
        say(usageText(parser));
        return 0;
    }

    const QString topologyName = parser.value(topologyOpt);
    if (topologyName != u"hub" && topologyName != u"direct")
        die(QStringLiteral("--topology is hub or direct"));
    const Topology topology = topologyName == u"hub" ? Topology::Hub : Topology::Direct;
    const bool splitting = parser.isSet(splitOpt);
    if (splitting && parser.isSet(linkOpt))
        die(QStringLiteral("--link and --split both give line 1: use one of them"));
    if (!splitting && !parser.isSet(linkOpt))
        die(QStringLiteral("--link PATH or --split PATH_A,PATH_B is required (see --help)"));
    std::pair<QString, QString> splitPaths;
    if (splitting) {
        QString error;
        const auto paths = parseSplitPaths(parser.value(splitOpt), &error);
        if (!paths)
            die(error);
        splitPaths = *paths;
        if (parser.isSet(link2Opt)
            && (parser.value(link2Opt) == paths->first || parser.value(link2Opt) == paths->second))
            die(QStringLiteral("--link2 and --split give the same path"));
    }
    bool periodOk = false;
    const qint64 splitPeriodMs = parser.value(splitPeriodOpt).toLongLong(&periodOk);
    if (!periodOk || splitPeriodMs <= 0)
        die(QStringLiteral("--split-period is a number of milliseconds above 0"));
    if (topology == Topology::Direct && !parser.isSet(link2Opt))
        die(QStringLiteral("direct topology needs --link2 PATH for module 2"));
    const bool quiet = parser.isSet(quietOpt);

    ModuleSimulator sim(topology);
    sim.setTakeDelayMs(parser.value(takeDelayOpt).toInt());
    if (parser.isSet(modulesOpt)) {
        const QList<int> present = moduleList(parser.value(modulesOpt));
        for (int m = 1; m <= ModuleSimulator::kModules; ++m)
            sim.module(m).setPresent(present.contains(m) && (topology == Topology::Hub || m <= 2));
    }
    if (parser.isSet(silentOpt)) {
        for (int m : moduleList(parser.value(silentOpt)))
            sim.module(m).setAnswering(false);
    }
    for (const QString& groupsArg : parser.values(groupsOpt)) {
        const QStringList parts = groupsArg.split(u':');
        const QString groups = parts.last();
        if (groups.size() != 8 || parts.size() > 2)
            die(QStringLiteral("bad --groups '%1'").arg(groupsArg));
        const QList<int> which =
            parts.size() == 2 ? moduleList(parts[0]) : moduleList(QStringLiteral("1-8"));
        for (int m : which)
            sim.module(m).setGroups(groups.toLatin1());
    }

    std::unique_ptr<EventLogFile> log;
    if (parser.isSet(logOpt)) {
        log = std::make_unique<EventLogFile>(parser.value(logOpt));
        if (!log->begin())
            die(QStringLiteral("cannot write %1").arg(parser.value(logOpt)));
        QObject::connect(&sim, &ModuleSimulator::guardEventSent,
                         [&log](const GuardEvent& e) { log->append(e); });
    }

    // Real time drives the simulator clock.
    QElapsedTimer clock;
    clock.start();
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    auto pump = [&]() {
        sim.advance(clock.elapsed() - sim.nowMs());
        if (const auto next = sim.msUntilNextAction())
            timer.start(static_cast<int>(std::min<qint64>(*next, 1000000)));
        else
            timer.stop();
    };
    QObject::connect(&timer, &QTimer::timeout, pump);

    // The lines.
    const int baud = parser.value(baudOpt).toInt();
    PtyLink link1;
    PtyLink link2;
    PtyLink* links[2] = {&link1, &link2};
    SplitLine split;
    const QString paths[2] = {parser.value(linkOpt), parser.value(link2Opt)};
    auto feedLine = [&](int line) {
        return [&, line](const QByteArray& bytes) {
            pump();
            sim.receive(line, bytes);
            pump();
        };
    };
    auto sayLinked = [&](int line, const PtyLink& link, const QString& suffix) {
        if (!quiet)
            say(QStringLiteral("line %1: %2 -> %3").arg(line).arg(link.linkPath(), link.slavePath())
                + suffix);
    };
    for (int line = 1; line <= sim.lineCount(); ++line) {
        QString error;
        if (line == 1 && splitting) {
            if (!split.open(splitPaths.first, splitPaths.second, &error))
                die(error);
            split.setBaud(baud);
            QObject::connect(&split, &SplitLine::received, feedLine(line));
            for (int side = 0; side < SplitLine::kSides; ++side)
                sayLinked(line, split.side(side),
                          QStringLiteral(" side ") + QLatin1Char(sideLetter(side)));
            continue;
        }
        PtyLink* link = links[line - 1];
        if (!link->open(paths[line - 1], &error))
            die(error);
        link->setBaud(baud);
        QObject::connect(link, &PtyLink::received, feedLine(line));
        sayLinked(line, *link, QString());
    }
    QObject::connect(&sim, &ModuleSimulator::output, [&](int line, const QByteArray& bytes) {
        if (line == 1 && splitting)
            split.write(bytes);
        else if (line >= 1 && line <= sim.lineCount())
            links[line - 1]->write(bytes);
    });

    RandomTraffic traffic(sim);
    SimulatorConsole console(sim, traffic);
    console.setHangUp([&links, splitting](int line, qint64 downMs) {
        if (line == 1 && splitting) {
            // A standby that never writes would never get the output held for
            // the new terminal: a split line does not hang up.
            std::fputs("zelvan-modsim: a split line does not hang up\n", stderr);
            return false;
        }
        return links[line - 1]->hangUp(downMs);
    });
    if (splitting) {
        split.setPeriodMs(splitPeriodMs);
        split.setClock([&clock]() { return clock.elapsed(); });
        console.setStatusLines([&split]() { return split.totals(); });
        console.setDrop([&split](int side) { return split.drop(side); });
        QObject::connect(
            &split, &SplitLine::sideWrote, [&](int side, qint64 atMs, const QByteArray& bytes) {
                const QString text = formatSplitWrite(side, split.path(side), atMs, bytes);
                if (!quiet)
                    say(text);
                if (log)
                    log->note(atMs, text.toUtf8());
            });
        QObject::connect(&split, &SplitLine::bothWrote,
                         [&](qint64 startMs, quint64 bytesA, quint64 bytesB) {
                             const QString text = formatBothWrote(startMs, bytesA, bytesB);
                             say(text);
                             if (log)
                                 log->note(clock.elapsed(), text.toUtf8());
                         });
    }
    if (log) {
        console.setObserver([&log, &sim](const QString& command) {
            log->note(sim.nowMs(), "command " + command.toUtf8());
        });
        QObject::connect(
            &sim, &ModuleSimulator::stateDumpSent, [&log, &sim](int m, const QByteArray& letters) {
                log->note(sim.nowMs(), "states " + QByteArray::number(m) + ' ' + letters);
            });
    }
    console.setPrinter([quiet](const QString& text) {
        if (!quiet || text.startsWith(QStringLiteral("error")))
            say(text);
    });
    if (parser.isSet(scenarioOpt)) {
        QFile file(parser.value(scenarioOpt));
        if (!file.open(QIODevice::ReadOnly))
            die(QStringLiteral("cannot read %1").arg(file.fileName()));
        const QStringList errors = console.loadScenario(QString::fromUtf8(file.readAll()));
        if (!errors.isEmpty())
            die(file.fileName() + QStringLiteral(": ") + errors.join(QStringLiteral("; ")));
    }
    const double rate = parser.value(rateOpt).toDouble();
    if (rate > 0) {
        const qint64 startMs = static_cast<qint64>(parser.value(delayOpt).toDouble() * 1000);
        const quint32 seed = parser.value(seedOpt).toUInt();
        const quint64 count = parser.value(countOpt).toULongLong();
        const qint64 durationMs = static_cast<qint64>(parser.value(durationOpt).toDouble() * 1000);
        sim.schedule(startMs, [&traffic, rate, seed, count, durationMs]() {
            traffic.start(rate, seed, count, durationMs);
        });
    }
    if (const double exitAfter = parser.value(exitOpt).toDouble(); exitAfter > 0)
        sim.schedule(static_cast<qint64>(exitAfter * 1000), []() { QCoreApplication::quit(); });

    // Commands on standard input.
    QByteArray stdinBuffer;
    QSocketNotifier stdinNotifier(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stdinNotifier, &QSocketNotifier::activated, [&]() {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            stdinNotifier.setEnabled(false); // end of input: keep playing the modules
            return;
        }
        stdinBuffer.append(buffer, static_cast<qsizetype>(n));
        qsizetype end = 0;
        while ((end = stdinBuffer.indexOf('\n')) >= 0) {
            const QString line = QString::fromLocal8Bit(stdinBuffer.left(end));
            stdinBuffer.remove(0, end + 1);
            pump();
            const QString reply = console.execute(line);
            if (!reply.isEmpty() && (!quiet || reply.startsWith(QStringLiteral("error"))))
                say(reply);
            pump();
            if (console.quitRequested()) {
                QCoreApplication::quit();
                return;
            }
        }
    });

    // SIGINT / SIGTERM end the program through the event loop, so the links go.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        die(QStringLiteral("socketpair failed"));
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated,
                     []() { QCoreApplication::quit(); });
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    say(QStringLiteral("ready"));
    pump();
    const int rc = app.exec();
    if (splitting) {
        split.close(); // a period still under way is told now
        for (const QString& line : split.totals())
            say(line);
    }
    if (const quint64 dropped = link1.dropped() + link2.dropped() + split.dropped(); dropped > 0)
        std::fprintf(stderr, "zelvan-modsim: %llu characters dropped (the panel stopped reading)\n",
                     static_cast<unsigned long long>(dropped));
    if (const quint64 lost = link1.lostAtHangUp() + link2.lostAtHangUp(); lost > 0)
        std::fprintf(
            stderr,
            "zelvan-modsim: %llu characters lost at hang-ups (the panel did not read them)\n",
            static_cast<unsigned long long>(lost));
    if (log && log->failedWrites() > 0)
        std::fprintf(stderr, "zelvan-modsim: %llu event log writes failed\n",
                     static_cast<unsigned long long>(log->failedWrites()));
    return rc;
}

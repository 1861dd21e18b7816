#include "modsim/SimulatorConsole.h"

#include "link/LinkTexts.h"
#include "modsim/ModuleSimulator.h"
#include "modsim/ModuleTexts.h"
#include "modsim/RandomTraffic.h"

#include <QRegularExpression>

namespace zelvan::modsim {

namespace {

const QString kError = QStringLiteral("error: ");

// Whole-number arguments; nothing when any is missing or malformed.
std::optional<QList<int>> numbers(const QStringList& args, int from, int count)
{
    if (args.size() < from + count)
        return std::nullopt;
    QList<int> values;
    for (int i = from; i < from + count; ++i) {
        bool ok = false;
        const int v = args[i].toInt(&ok);
        if (!ok)
            return std::nullopt;
        values.append(v);
    }
    return values;
}

QString done(bool ok, const QString& what) { return ok ? QString() : kError + what; }

} // namespace

SimulatorConsole::SimulatorConsole(ModuleSimulator& sim, RandomTraffic& traffic)
    : m_sim(sim), m_traffic(traffic)
{
}

QString SimulatorConsole::execute(const QString& line)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList args = line.trimmed().split(blanks, Qt::SkipEmptyParts);
    if (args.isEmpty() || args[0].startsWith(u'#'))
        return {};
    const QString reply = run(args, line);
    if (m_observe && !reply.startsWith(kError))
        m_observe(args.join(u' '));
    return reply;
}

QString SimulatorConsole::run(const QStringList& args, const QString& line)
{
    const QString cmd = args[0].toLower();
    const QString badModuleObject = QStringLiteral("no such module or object: ") + line.trimmed();

    if (cmd == u"help")
        return commandHelp();
    if (cmd == u"quit" || cmd == u"exit") {
        m_quit = true;
        return {};
    }
    if (cmd == u"violate" || cmd == u"take" || cmd == u"release") {
        const auto v = numbers(args, 1, 2);
        if (!v)
            return kError + QStringLiteral("usage: %1 M N").arg(cmd);
        bool ok = false;
        if (cmd == u"violate")
            ok = m_sim.violate((*v)[0], (*v)[1]);
        else if (cmd == u"take")
            ok = m_sim.take((*v)[0], (*v)[1]);
        else
            ok = m_sim.release((*v)[0], (*v)[1], args.size() > 3 && args[3] == u"hash");
        return done(ok, badModuleObject);
    }
    if (cmd == u"board") {
        const auto v = numbers(args, 1, 3);
        if (!v)
            return kError + QStringLiteral("usage: board M N S0 [CODE [FLAGS]]");
        const QByteArray code = args.size() > 4 ? args[4].toLatin1() : QByteArray();
        const QByteArray flags = args.size() > 5 ? args[5].toLatin1() : QByteArray();
        return done(m_sim.boardMessage((*v)[0], (*v)[1], (*v)[2], code, flags),
                    QStringLiteral(
                        "bad board message (S0 0 or 1, CODE two characters, FLAGS five digits)"));
    }
    if (cmd == u"measure") {
        const auto v = numbers(args, 1, 3);
        if (!v)
            return kError + QStringLiteral("usage: measure M N VALUE");
        return done(m_sim.setMeasured((*v)[0], (*v)[1], (*v)[2]), badModuleObject);
    }
    if (cmd == u"setting") {
        const auto v = numbers(args, 1, 2);
        const auto value = numbers(args, 4, 1);
        if (!v || !value || args[3].size() != 1)
            return kError + QStringLiteral("usage: setting M N B|Z|T VALUE");
        return done(
            m_sim.reportSetting((*v)[0], (*v)[1], args[3].toUpper().at(0).toLatin1(), (*value)[0]),
            badModuleObject);
    }
    if (cmd == u"preset") {
        const auto v = numbers(args, 1, 2);
        if (!v || args.size() < 4 || args[3].size() != 1)
            return kError + QStringLiteral("usage: preset M N LETTER");
        return done(m_sim.presetState((*v)[0], (*v)[1], args[3].toUpper().at(0).toLatin1()),
                    badModuleObject);
    }
    if (cmd == u"silence" || cmd == u"answer" || cmd == u"revive" || cmd == u"damage-dump"
        || cmd == u"prompts-only") {
        const auto v = numbers(args, 1, 1);
        if (!v)
            return kError + QStringLiteral("usage: %1 M").arg(cmd);
        const int m = (*v)[0];
        bool ok = false;
        if (cmd == u"silence")
            ok = m_sim.silence(m);
        else if (cmd == u"damage-dump")
            ok = m_sim.damageNextDump(m);
        else if (cmd == u"prompts-only")
            ok = m_sim.promptsOnly(m);
        else
            ok = m_sim.revive(m);
        return done(ok, QStringLiteral("no such module: %1").arg(m));
    }
    if (cmd == u"restart") {
        const auto v = numbers(args, 1, 1);
        if (!v)
            return kError + QStringLiteral("usage: restart M [clear]");
        return done(m_sim.restart((*v)[0], args.size() > 2 && args[2] == u"clear"),
                    QStringLiteral("no such module: %1").arg((*v)[0]));
    }
    if (cmd == u"garbage") {
        const auto v = numbers(args, 1, 1);
        if (!v || (*v)[0] <= 0)
            return kError + QStringLiteral("usage: garbage COUNT [raw] [LINE]");
        const bool raw = args.contains(QStringLiteral("raw"));
        int lineNo = 1;
        if (const auto l = numbers(args, args.size() - 1, 1); l && args.size() > 2)
            lineNo = (*l)[0];
        if (lineNo < 1 || lineNo > m_sim.lineCount())
            return kError + QStringLiteral("no such line: %1").arg(lineNo);
        m_sim.garbage(lineNo, (*v)[0], m_garbageSeed++, raw);
        return {};
    }
    if (cmd == u"overlong") {
        const auto v = numbers(args, 1, 2);
        if (!v)
            return kError + QStringLiteral("usage: overlong M LENGTH");
        return done(m_sim.overlongLine((*v)[0], (*v)[1]),
                    QStringLiteral("module not talking or bad length"));
    }
    if (cmd == u"hangup") {
        const auto v = numbers(args, 1, 1);
        if (!v || (*v)[0] < 0)
            return kError + QStringLiteral("usage: hangup MS [LINE]");
        int lineNo = 1;
        if (const auto l = numbers(args, 2, 1))
            lineNo = (*l)[0];
        if (lineNo < 1 || lineNo > m_sim.lineCount())
            return kError + QStringLiteral("no such line: %1").arg(lineNo);
        if (!m_hangUp)
            return kError + QStringLiteral("hangup needs the lines of the program");
        return done(m_hangUp(lineNo, (*v)[0]), QStringLiteral("line %1 is not up").arg(lineNo));
    }
    if (cmd == u"drop") {
        const QString side = args.size() == 2 ? args[1].toUpper() : QString();
        if (side != u"A" && side != u"B")
            return kError + QStringLiteral("usage: drop A|B");
        if (!m_drop)
            return kError + QStringLiteral("drop needs a split line (--split)");
        return done(m_drop(side == u"A" ? 0 : 1),
                    QStringLiteral("side %1 is gone already").arg(side));
    }
    if (cmd == u"groups") {
        const auto v = numbers(args, 1, 1);
        if (!v || !ModuleSimulator::validModule((*v)[0]) || args.size() < 3 || args[2].size() != 8)
            return kError + QStringLiteral("usage: groups M CCCCCCCC (N = group absent)");
        m_sim.module((*v)[0]).setGroups(args[2].toLatin1());
        return {};
    }
    if (cmd == u"random") {
        if (args.size() > 1 && args[1] == u"stop") {
            m_traffic.stop();
            return QStringLiteral("random traffic stopped after %1 events").arg(m_traffic.sent());
        }
        bool ok = false;
        const double rate = args.size() > 1 ? args[1].toDouble(&ok) : 0;
        if (!ok || rate <= 0)
            return kError + QStringLiteral("usage: random RATE [COUNT [SEED]] | random stop");
        const quint64 count = args.size() > 2 ? args[2].toULongLong() : 0;
        const quint32 seed = args.size() > 3 ? args[3].toUInt() : 1;
        m_traffic.start(rate, seed, count);
        return {};
    }
    if (cmd == u"status")
        return status();
    if (cmd == u"state") {
        const auto v = numbers(args, 1, 1);
        if (!v || !ModuleSimulator::validModule((*v)[0]))
            return kError + QStringLiteral("usage: state M");
        return states((*v)[0]);
    }
    return kError + QStringLiteral("unknown command '%1' (try help)").arg(args[0]);
}

QString SimulatorConsole::status() const
{
    QStringList lines;
    lines
        << QStringLiteral(
               "time %1 ms, %2 guard events sent, random traffic %3 (%4 sent), %5 commands dropped")
               .arg(m_sim.nowMs())
               .arg(m_sim.guardEventCount())
               .arg(m_traffic.running() ? QStringLiteral("on") : QStringLiteral("off"))
               .arg(m_traffic.sent())
               .arg(m_sim.droppedCommands());
    for (int m = 1; m <= ModuleSimulator::kModules; ++m) {
        const SimulatedModule& mod = m_sim.module(m);
        if (!mod.present())
            continue;
        lines << QStringLiteral("module %1: %2, groups %3%4")
                     .arg(m)
                     .arg(mod.answering() ? QStringLiteral("answering") : QStringLiteral("silent"))
                     .arg(QString::fromLatin1(mod.groupCharacters()))
                     .arg(mod.monitorMode() ? QStringLiteral(", monitor mode") : QString());
    }
    if (m_statusLines)
        lines << m_statusLines();
    return lines.join(u'\n');
}

QString SimulatorConsole::states(int m) const
{
    QString text;
    for (int n = 1; n <= SimulatedModule::kObjects; ++n) {
        text += QLatin1Char(m_sim.module(m).object(n).state);
        if (n % 16 == 0 && n < SimulatedModule::kObjects)
            text += u' ';
    }
    return text;
}

QStringList SimulatorConsole::loadScenario(const QString& text)
{
    QStringList errors;
    QList<std::pair<qint64, QString>> steps;
    qint64 previous = 0;
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype blank = line.indexOf(u' ');
        const QString when = blank < 0 ? line : line.left(blank);
        const bool relative = when.startsWith(u'+');
        bool ok = false;
        const qint64 ms = (relative ? when.mid(1) : when).toLongLong(&ok);
        if (!ok || ms < 0 || blank < 0) {
            errors << QStringLiteral("line %1: expected '<ms> <command>' or '+<ms> <command>'")
                          .arg(i + 1);
            continue;
        }
        previous = relative ? previous + ms : ms;
        steps.append({previous, line.mid(blank + 1).trimmed()});
    }
    if (!errors.isEmpty())
        return errors;
    const qint64 start = m_sim.nowMs();
    for (const auto& step : steps) {
        // A copy for the lambda (clang 14 cannot capture a structured binding).
        const QString command = step.second;
        m_sim.schedule(start + step.first - m_sim.nowMs(), [this, command]() {
            const QString reply = execute(command);
            if (m_print && !reply.isEmpty())
                m_print(reply);
        });
    }
    return errors;
}

QString SimulatorConsole::commandHelp()
{
    return QStringLiteral(
        "Commands (one per line; M = module 1..8, N = object 1..128):\n"
        "  violate M N             the object's line is violated: sends #A N\n"
        "  release M N [hash]      released at the object: sends O N (#O N with 'hash')\n"
        "  take M N                taken under guard at the object: sends #P N\n"
        "  board M N S0 [CODE [FLAGS]]\n"
        "                          board message: S0 0 = switched on, 1 = switched off;\n"
        "                          CODE two characters (kept per object, default 00),\n"
        "                          FLAGS five digits s1..s5 (kept per object, default 00000)\n"
        "  measure M N VALUE       value answered from now on to U N\n"
        "  setting M N B|Z|T VALUE the module reports a setting: sends #B N,VALUE (Z, T alike)\n"
        "  preset M N LETTER       sets a state letter (N O P A T) without sending anything\n"
        "  groups M CCCCCCCC       installed groups of module M (N = absent)\n"
        "  silence M               module M stops answering (M = 0: the hub's own prompt)\n"
        "  prompts-only M          module M answers the presence probe and nothing else\n"
        "                          (no version reply, no dump, no acknowledgement)\n"
        "  answer M                module M answers again (also: revive M; ends\n"
        "                          prompts-only too)\n"
        "  restart M [clear]       power cycle: sends the version reply again; 'clear'\n"
        "                          also resets every object to N\n"
        "  damage-dump M           the next dump of module M has one digit spoiled\n"
        "  garbage COUNT [raw] [LINE]\n"
        "                          COUNT characters of line noise (harmless lines ended by\n"
        "                          CR; 'raw': any byte values) on LINE (default 1)\n"
        "  overlong M LENGTH       one harmless line of LENGTH characters from module M\n"
        "  hangup MS [LINE]        the pseudo-terminal of LINE (default 1) goes dead: once\n"
        "                          the panel has read what it holds it is closed and its\n"
        "                          link removed; MS later a new one is linked at the same\n"
        "                          path; output waits until the panel has written to it\n"
        "  drop A|B                one side of a split line goes away for good: its\n"
        "                          pseudo-terminal is closed and its link removed\n"
        "  random RATE [COUNT [SEED]]\n"
        "                          random guard-state events, RATE per second\n"
        "  random stop             stops them\n"
        "  status                  modules, time, counters\n"
        "  state M                 the 128 state letters of module M\n"
        "  help                    this text\n"
        "  quit                    ends the simulator\n");
}

QString SimulatorConsole::behaviourHelp()
{
    return QStringLiteral(
               "Behaviour of the simulated modules and hub:\n"
               "  Hub topology: commands are addressed by '}' and a digit; the address holds\n"
               "  for every following line until the next '}' (so 'mon' CR 'RB600,100' CR after\n"
               "  one '}3' both reach module 3). A '}' drops a partial command. Address 0 is\n"
               "  the hub: it answers an empty command with '>' and ignores anything else;\n"
               "  '}9' and '}' followed by a non-digit address nobody. Every line and every\n"
               "  prompt a module sends is preceded by '{' and its digit, so the panel always\n"
               "  knows the sender. Nothing is wired to the second line.\n"
               "  Direct topology: module 1 on line 1, module 2 on line 2, no addressing;\n"
               "  modules 3..8 do not exist.\n"
               "  Commands end with CR; LF is ignored; a command longer than 256 characters\n"
               "  is dropped without an answer. Unknown commands, malformed numbers and\n"
               "  object numbers outside 1..128 get no answer. Command words are read without\n"
               "  regard to letter case.\n"
               "  Prompt to an empty command: '>' normally, '*' in monitor mode, '!' while\n"
               "  an object of the module is violated.\n"
               "  Ver: the banner '%1', '%2',\n"
               "  '. Address <m>', and the group line '. G[YYYYYYYY]' (characters 5..12 are\n"
               "  groups 0..7, 'N' = absent). The same four lines are the greeting a module\n"
               "  sends when it restarts.\n"
               "  mon / NOMON switch monitor mode on and off, without an answer. In monitor\n"
               "  mode R<addr>,<count> (hexadecimal) reads memory as dump lines of 16 bytes:\n"
               "  ':' then ' XX' per byte, 49 characters. B600..B67F: balance thresholds of\n"
               "  objects 1..128; B680..B6FF: zone tolerance (high 4 bits) and time (low 4\n"
               "  bits); 2400..247F: the guard-state letters; other addresses read FF. At most\n"
               "  4096 bytes per read. Outside monitor mode R is not answered.\n"
               "  State letters: N never taken since the memory was cleared, O released,\n"
               "  P taken, A violated, T take requested. Objects start as N.\n"
               "  P<n>: answers P<n> at once (state T) and #P<n> after the take delay\n"
               "  (state P), unless the object was violated or released meanwhile.\n"
               "  O<n>: answers #O<n> (state O). U<n>: answers the measured value as a bare\n"
               "  decimal number (default 118; a value below 10 is one character, which the\n"
               "  panel reads as 0). B<n>,<v> Z<n>,<v> T<n>,<v>: store v clamped to\n"
               "  75..193 (B) or 0..15 (Z, T) and confirm with #B<n>,<stored> (Z, T alike).\n"
               "  Commands act on any object 1..128, installed or not; the groups only shape\n"
               "  the group line and the random traffic.\n"
               "  A release at the object is sent as O<n>, a take as #P<n>, a violation as\n"
               "  #A<n>. Board messages: '#', switch flag, five signal flags, '0', the board\n"
               "  code, a blank, the object number in four digits (15 characters).\n"
               "  A silent module hears nothing and sends nothing; what happens at its\n"
               "  objects changes its memory but is not reported (and not logged). The object\n"
               "  memory survives a restart. A damaged dump has one digit of its middle line\n"
               "  replaced by 'x' (still 49 characters, one digit short).\n"
               "  Line noise never forms a line that the panel acts on: no 49-character\n"
               "  lines, no line beginning with '.', a digit, 'O', 'P' or '#', no '{', '>',\n"
               "  '*' or '!'. Raw noise makes no such promise.\n"
               "  Random traffic: guard-state events for installed objects of talking\n"
               "  modules, each a plausible next state (a violated object is released or\n"
               "  taken, a taken one violated or released, a free one violated or taken);\n"
               "  event i is due i/RATE seconds after the start. The event log lists every\n"
               "  guard-state message sent (random, typed, and the #P/#O acknowledgements):\n"
               "  sequence, time in ms, module, object, global index, record letter (A, O, P)\n"
               "  and the message. On one hub line the order of the log is the order on the\n"
               "  line; in direct topology it holds per line.\n")
        .arg(QString(linktexts::kModuleBanner), QString::fromLatin1(kFirmwareLine));
}

} // namespace zelvan::modsim

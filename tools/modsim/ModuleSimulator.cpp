#include "modsim/ModuleSimulator.h"

#include "modsim/DumpFormat.h"
#include "modsim/ModuleTexts.h"

#include <algorithm>
#include <random>

namespace zelvan::modsim {

namespace {

// A decimal number of 1..3 digits and nothing else (the firmware's own reader).
std::optional<int> strictNumber(QByteArrayView text, int maxDigits = 3)
{
    if (text.isEmpty() || text.size() > maxDigits)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<quint32> strictHex(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 4)
        return std::nullopt;
    bool ok = false;
    const quint32 value = QByteArray(text.data(), text.size()).toUInt(&ok, 16);
    return ok ? std::optional<quint32>(value) : std::nullopt;
}

std::array<SimulatedModule, ModuleSimulator::kModules> numberedModules()
{
    std::array<SimulatedModule, ModuleSimulator::kModules> modules;
    for (int m = 1; m <= ModuleSimulator::kModules; ++m)
        modules[static_cast<size_t>(m - 1)] = SimulatedModule(m);
    return modules;
}

// Characters no decoder of the panel acts on as the first character of a line,
// and that carry no control meaning on the line: lower-case letters other than
// o and p, a blank, and cp1251 Cyrillic lower-case letters.
char harmlessCharacter(std::mt19937& random, bool first)
{
    static constexpr char kLatin[] = "ghijklmnqrsuvwxyz";
    const auto pick = random() % 64;
    if (!first && pick == 0)
        return ' ';
    if (pick < 32)
        return kLatin[pick % (sizeof(kLatin) - 1)];
    return static_cast<char>(0xE0 + (pick % 32));
}

QByteArray harmlessText(std::mt19937& random, int length)
{
    QByteArray text;
    text.reserve(length);
    for (int i = 0; i < length; ++i)
        text.append(harmlessCharacter(random, i == 0));
    return text;
}

// Stores a line setting ('B' balance, 'Z' zone, 'T' time). Values outside the
// setting's range are clamped; the value actually stored is returned, and that
// is what the module confirms.
int storeSetting(SimulatedObject& o, char which, int value)
{
    switch (which) {
    case 'B':
        return o.balance = std::clamp(value, kBalanceMin, kBalanceMax);
    case 'Z':
        return o.zone = std::clamp(value, 0, kNibbleMax);
    default:
        return o.time = std::clamp(value, 0, kNibbleMax);
    }
}

} // namespace

// Output produced inside a batch goes out in one piece per line when the
// outermost batch ends.
class ModuleSimulator::Batch
{
public:
    explicit Batch(ModuleSimulator& sim) : m_sim(sim) { ++m_sim.m_batchDepth; }
    ~Batch()
    {
        if (--m_sim.m_batchDepth == 0)
            m_sim.flush();
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

private:
    ModuleSimulator& m_sim;
};

ModuleSimulator::ModuleSimulator(Topology topology, QObject* parent)
    : QObject(parent), m_topology(topology), m_modules(numberedModules())
{
    qRegisterMetaType<GuardEvent>();
    if (m_topology == Topology::Direct) {
        for (int m = 3; m <= kModules; ++m)
            module(m).setPresent(false);
    }
}

// ---------------------------------------------------------------- the line

void ModuleSimulator::receive(int line, QByteArrayView bytes)
{
    if (line < 1 || line > 2)
        return;
    m_queuedInput.append({line, QByteArray(bytes.data(), bytes.size())});
    if (m_receiving)
        return; // a reply handler wrote back; the outer call takes it in turn
    m_receiving = true;
    while (!m_queuedInput.isEmpty()) {
        const auto [l, data] = m_queuedInput.takeFirst();
        Batch batch(*this);
        for (char c : data)
            processByte(l, c);
    }
    m_receiving = false;
}

void ModuleSimulator::processByte(int line, char c)
{
    LineInput& in = m_input[static_cast<size_t>(line - 1)];
    const bool hub = m_topology == Topology::Hub;
    if (hub && line != 1)
        return; // nothing is wired to the second port behind a hub

    if (hub && in.afterBrace) {
        in.afterBrace = false;
        in.target = (c >= '0' && c <= '8') ? c - '0' : -1;
        return;
    }
    if (hub && c == '}') {
        // The hub starts a new addressed command; a partial one is dropped.
        in.afterBrace = true;
        in.command.clear();
        in.overflow = false;
        return;
    }
    if (c == '\n')
        return;
    if (c != '\r') {
        if (in.command.size() >= kMaxCommandLength)
            in.overflow = true;
        else
            in.command.append(c);
        return;
    }
    const QByteArray command = in.command;
    const bool overflow = in.overflow;
    in.command.clear();
    in.overflow = false;
    if (overflow) {
        ++m_droppedCommands;
        return;
    }
    dispatch(line, hub ? in.target : line, command);
}

void ModuleSimulator::dispatch(int line, int target, const QByteArray& command)
{
    if (m_topology == Topology::Direct) {
        moduleCommand(line, command);
        return;
    }
    if (target == 0)
        hubCommand(command);
    else if (validModule(target))
        moduleCommand(target, command);
}

void ModuleSimulator::hubCommand(const QByteArray& command)
{
    // The hub answers only the presence probe of its own address.
    if (command.isEmpty() && m_hubAnswering)
        sendPrompt(0);
}

void ModuleSimulator::moduleCommand(int m, const QByteArray& command)
{
    if (!usable(m))
        return;
    SimulatedModule& mod = module(m);
    if (command.isEmpty()) {
        sendPrompt(m);
        return;
    }
    if (mod.promptsOnly())
        return;
    const QByteArray word = command.toUpper();
    if (word == kCmdVersion) {
        for (const QByteArray& line : mod.versionReply())
            sendLine(m, line);
        return;
    }
    if (word == kCmdMonitorOn) {
        mod.setMonitorMode(true);
        return;
    }
    if (word == kCmdMonitorOff) {
        mod.setMonitorMode(false);
        return;
    }
    const char letter = word.at(0);
    const QByteArrayView rest = QByteArrayView(command).sliced(1);
    switch (letter) {
    case 'R':
        if (mod.monitorMode())
            monitorRead(m, command);
        return;
    case 'B':
    case 'Z':
    case 'T':
        setSetting(m, letter, rest.toByteArray());
        return;
    default:
        break;
    }
    const auto n = strictNumber(rest);
    if (!n || !SimulatedModule::validObject(*n))
        return;
    const QByteArray number = QByteArray::number(*n);
    switch (letter) {
    case 'P': {
        mod.object(*n).state = kStateTakeRequested;
        sendLine(m, "P" + number);
        const int obj = *n;
        schedule(m_takeDelayMs, [this, m, obj]() {
            SimulatedObject& o = module(m).object(obj);
            if (o.state != kStateTakeRequested)
                return; // overtaken by a violation or a release meanwhile
            o.state = kStateTaken;
            sendGuardEvent(m, obj, 'P', "#P" + QByteArray::number(obj));
        });
        return;
    }
    case 'O':
        mod.object(*n).state = kStateReleased;
        sendGuardEvent(m, *n, 'O', "#O" + number);
        return;
    case 'U':
        sendLine(m, QByteArray::number(mod.object(*n).measured));
        return;
    default:
        return; // unknown commands get no answer
    }
}

void ModuleSimulator::monitorRead(int m, const QByteArray& command)
{
    const QByteArrayView args = QByteArrayView(command).sliced(1);
    const qsizetype comma = args.indexOf(',');
    if (comma < 0)
        return;
    const auto address = strictHex(args.first(comma));
    const auto count = strictHex(args.sliced(comma + 1));
    if (!address || !count || *count == 0)
        return;
    QList<QByteArray> lines = module(m).readMemory(*address, *count);
    bool& damage = m_damageNext[static_cast<size_t>(m - 1)];
    const bool damaged = damage && !lines.isEmpty();
    if (damaged) {
        const qsizetype middle = lines.size() / 2;
        lines[middle] = damageDumpLine(lines[middle]);
        damage = false;
    }
    for (const QByteArray& line : lines)
        sendLine(m, line);
    const quint64 end = quint64(*address) + quint64(lines.size()) * 16;
    if (!damaged && *address <= kStateArea && end >= kStateArea + SimulatedModule::kObjects) {
        QByteArray letters;
        for (int n = 1; n <= SimulatedModule::kObjects; ++n)
            letters.append(module(m).object(n).state);
        emit stateDumpSent(m, letters);
    }
}

void ModuleSimulator::setSetting(int m, char which, const QByteArray& args)
{
    const qsizetype comma = args.indexOf(',');
    if (comma < 0)
        return;
    const auto n = strictNumber(QByteArrayView(args).first(comma));
    const auto v = strictNumber(QByteArrayView(args).sliced(comma + 1), 5);
    if (!n || !v || !SimulatedModule::validObject(*n))
        return;
    const int stored = storeSetting(module(m).object(*n), which, *v);
    sendLine(m, "#" + QByteArray(1, which) + QByteArray::number(*n) + ","
                    + QByteArray::number(stored));
}

// ---------------------------------------------------------------- output

int ModuleSimulator::lineOf(int m) const { return m_topology == Topology::Hub ? 1 : m; }

bool ModuleSimulator::usable(int m) const
{
    return validModule(m) && module(m).talking() && lineOf(m) <= 2;
}

void ModuleSimulator::sendLine(int m, const QByteArray& text)
{
    if (m_topology == Topology::Hub)
        sendRaw(1, "{" + QByteArray::number(m) + text + "\r");
    else
        sendRaw(lineOf(m), text + "\r");
}

void ModuleSimulator::sendPrompt(int m)
{
    const char prompt = m == 0 ? kPromptReady : module(m).promptCharacter();
    if (m_topology == Topology::Hub)
        sendRaw(1, "{" + QByteArray::number(m) + prompt);
    else
        sendRaw(lineOf(m), QByteArray(1, prompt));
}

void ModuleSimulator::sendRaw(int line, const QByteArray& bytes)
{
    if (line < 1 || line > 2)
        return;
    Batch batch(*this);
    m_pending[static_cast<size_t>(line - 1)].append(bytes);
}

void ModuleSimulator::sendGuardEvent(int m, int n, char record, const QByteArray& message)
{
    if (!usable(m))
        return;
    sendLine(m, message);
    GuardEvent event;
    event.sequence = ++m_sequence;
    event.timeMs = m_now;
    event.module = m;
    event.object = n;
    event.record = record;
    event.message = message;
    if (m_keepEvents)
        m_events.append(event);
    emit guardEventSent(event);
}

void ModuleSimulator::flush()
{
    bool more = true;
    while (more) {
        more = false;
        for (int line = 1; line <= 2; ++line) {
            QByteArray& pending = m_pending[static_cast<size_t>(line - 1)];
            if (pending.isEmpty())
                continue;
            const QByteArray bytes = std::exchange(pending, QByteArray());
            emit output(line, bytes);
            more = true;
        }
    }
}

// ---------------------------------------------------------------- time

void ModuleSimulator::advance(qint64 ms)
{
    Batch batch(*this);
    const qint64 target = m_now + std::max<qint64>(0, ms);
    while (!m_timers.empty() && m_timers.begin()->first.first <= target) {
        auto node = m_timers.extract(m_timers.begin());
        m_now = std::max(m_now, node.key().first);
        node.mapped()();
    }
    m_now = target;
}

std::optional<qint64> ModuleSimulator::msUntilNextAction() const
{
    if (m_timers.empty())
        return std::nullopt;
    return std::max<qint64>(0, m_timers.begin()->first.first - m_now);
}

void ModuleSimulator::schedule(qint64 delayMs, std::function<void()> action)
{
    m_timers.emplace(std::make_pair(m_now + std::max<qint64>(0, delayMs), ++m_timerSeq),
                     std::move(action));
}

// ---------------------------------------------------------------- object events

bool ModuleSimulator::violate(int m, int n)
{
    if (!validModule(m) || !module(m).present() || !SimulatedModule::validObject(n))
        return false;
    Batch batch(*this);
    module(m).object(n).state = kStateViolated;
    sendGuardEvent(m, n, 'A', "#A" + QByteArray::number(n));
    return true;
}

bool ModuleSimulator::release(int m, int n, bool hashForm)
{
    if (!validModule(m) || !module(m).present() || !SimulatedModule::validObject(n))
        return false;
    Batch batch(*this);
    module(m).object(n).state = kStateReleased;
    sendGuardEvent(m, n, 'O', (hashForm ? "#O" : "O") + QByteArray::number(n));
    return true;
}

bool ModuleSimulator::take(int m, int n)
{
    if (!validModule(m) || !module(m).present() || !SimulatedModule::validObject(n))
        return false;
    Batch batch(*this);
    module(m).object(n).state = kStateTaken;
    sendGuardEvent(m, n, 'P', "#P" + QByteArray::number(n));
    return true;
}

bool ModuleSimulator::boardMessage(int m, int n, int s0, const QByteArray& code,
                                   const QByteArray& flags)
{
    if (!validModule(m) || !module(m).present() || !SimulatedModule::validObject(n)
        || (s0 != 0 && s0 != 1))
        return false;
    if (!code.isEmpty() && code.size() != 2)
        return false;
    if (!flags.isEmpty()
        && (flags.size() != 5 || !std::all_of(flags.begin(), flags.end(), [](char c) {
                return c >= '0' && c <= '9';
            })))
        return false;
    SimulatedObject& o = module(m).object(n);
    if (!code.isEmpty())
        o.boardCode = code;
    if (!flags.isEmpty())
        o.signalFlags = flags;
    // "#", switch flag, five signal flags, a spare "0", the board code, a
    // blank, and the object number in four digits.
    const QByteArray message = "#" + QByteArray::number(s0) + o.signalFlags + "0" + o.boardCode
                               + " " + QByteArray::number(n).rightJustified(4, '0');
    Batch batch(*this);
    if (usable(m))
        sendLine(m, message);
    return true;
}

bool ModuleSimulator::setMeasured(int m, int n, int value)
{
    if (!validModule(m) || !SimulatedModule::validObject(n) || value < 0 || value > 99999)
        return false;
    module(m).object(n).measured = value;
    return true;
}

bool ModuleSimulator::reportSetting(int m, int n, char which, int value)
{
    if (!validModule(m) || !module(m).present() || !SimulatedModule::validObject(n) || value < 0)
        return false;
    if (which != 'B' && which != 'Z' && which != 'T')
        return false;
    Batch batch(*this);
    if (!usable(m)) {
        storeSetting(module(m).object(n), which, value); // kept, though nobody hears it
        return true;
    }
    setSetting(m, which, QByteArray::number(n) + "," + QByteArray::number(value));
    return true;
}

bool ModuleSimulator::presetState(int m, int n, char letter)
{
    if (!validModule(m) || !SimulatedModule::validObject(n))
        return false;
    module(m).object(n).state = letter;
    return true;
}

// ---------------------------------------------------------------- modules

bool ModuleSimulator::silence(int m)
{
    if (m == 0 && m_topology == Topology::Hub) {
        m_hubAnswering = false;
        return true;
    }
    if (!validModule(m) || !module(m).present())
        return false;
    module(m).setAnswering(false);
    return true;
}

bool ModuleSimulator::revive(int m)
{
    if (m == 0 && m_topology == Topology::Hub) {
        m_hubAnswering = true;
        return true;
    }
    if (!validModule(m) || !module(m).present())
        return false;
    module(m).setAnswering(true);
    module(m).setPromptsOnly(false);
    return true;
}

bool ModuleSimulator::promptsOnly(int m)
{
    if (!validModule(m) || !module(m).present())
        return false;
    module(m).setPromptsOnly(true);
    return true;
}

bool ModuleSimulator::restart(int m, bool clearStates)
{
    if (!validModule(m) || !module(m).present())
        return false;
    Batch batch(*this);
    SimulatedModule& mod = module(m);
    mod.setMonitorMode(false);
    mod.setAnswering(true);
    if (clearStates)
        mod.clearStates();
    for (const QByteArray& line : mod.versionReply())
        sendLine(m, line);
    return true;
}

bool ModuleSimulator::damageNextDump(int m)
{
    if (!validModule(m) || !module(m).present())
        return false;
    m_damageNext[static_cast<size_t>(m - 1)] = true;
    return true;
}

// ---------------------------------------------------------------- noise

void ModuleSimulator::garbage(int line, int count, quint32 seed, bool raw)
{
    if (line < 1 || line > lineCount() || count <= 0)
        return;
    std::mt19937 random(seed);
    Batch batch(*this);
    QByteArray noise;
    noise.reserve(count);
    if (raw) {
        for (int i = 0; i < count; ++i)
            noise.append(static_cast<char>(random() & 0xFF));
    } else {
        while (noise.size() < count) {
            int length = 1 + static_cast<int>(random() % 60);
            if (length == kDumpLineLength)
                ++length;
            noise.append(harmlessText(random, length));
            noise.append('\r');
        }
        noise.truncate(count - 1);
        // Never leave a 49-character or empty tail line.
        const qsizetype lastCr = noise.lastIndexOf('\r');
        const qsizetype tail = noise.size() - lastCr - 1;
        if (tail == 0 || tail == kDumpLineLength)
            noise.append('g');
        noise.append('\r');
    }
    sendRaw(line, noise);
}

bool ModuleSimulator::overlongLine(int m, int length)
{
    if (!usable(m) || length <= 0)
        return false;
    if (length == kDumpLineLength)
        ++length;
    std::mt19937 random(static_cast<quint32>(length));
    Batch batch(*this);
    sendLine(m, harmlessText(random, length));
    return true;
}

} // namespace zelvan::modsim

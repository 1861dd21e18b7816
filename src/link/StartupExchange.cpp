#include "link/StartupExchange.h"

#include "core/Addressing.h"
#include "core/Beeper.h"
#include "core/Clock.h"
#include "core/EventCodes.h"
#include "core/Labels.h"
#include "core/Logging.h"
#include "core/PanelControl.h"
#include "core/ScreenState.h"
#include "core/StationLists.h"
#include "core/StationState.h"
#include "link/CommandSender.h"
#include "link/LinkTexts.h"

namespace zelvan {

using namespace linktexts;

namespace {

constexpr int kGroups = 8;
constexpr int kGroupSize = 16;
constexpr int kFirstGroupChar = 4; // character 5 of the group line

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    return u <= u'9' ? u - u'0' : u - u'A' + 10;
}

int byteAt(const QString& digits, int i) // i: 0-based digit index of the high half
{
    return hexValue(digits[i]) * 16 + hexValue(digits[i + 1]);
}

} // namespace

StartupExchange::StartupExchange(StationContext context) : m_ctx(context) {}

QString StartupExchange::dumpDigits(const QString& dump)
{
    QString out;
    out.reserve(dump.size());
    for (const QChar c : dump) {
        const char16_t u = c.unicode();
        if ((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F'))
            out.append(c);
    }
    return out;
}

int StartupExchange::stateOfLetter(QChar letter)
{
    switch (letter.unicode()) {
    case u'N':
    case u'O':
        return Released;
    case u'P':
        return Taken;
    case u'A':
        return Violated;
    case u'T':
        return TakeRequested;
    default:
        return -1;
    }
}

void StartupExchange::send(const QString& command, int m)
{
    m_ctx.commands.SendToModule(command, m);
}

bool StartupExchange::askNext(bool passedOver)
{
    const StationState& s = m_ctx.state;
    for (int m = 1; m <= kModuleCount; ++m) {
        if (!s.ModuleStarted[m] && s.ModuleEnabled[m] && m_passedOver[size_t(m)] == passedOver
            && (s.ModuleAnswered[m] || s.ModuleWasAnswering[m])) {
            qCInfo(lcLink) << "asking module" << m << "for its version"
                           << (passedOver ? "again" : "");
            m_asked[size_t(m)] = true;
            send(kVersionRequest, m);
            return true;
        }
    }
    return false;
}

void StartupExchange::StartMdl()
{
    if (askNext(false))
        return;
    endStartupPhase();
    // The others are done: a module passed over is asked again.
    askNext(true);
}

void StartupExchange::endStartupPhase()
{
    StationState& s = m_ctx.state;
    if (s.FirstStartPending) {
        s.FirstStartPending = false;
        m_ctx.screen.setMainVisible(true);
        m_ctx.screen.setAlarmsVisible(s.OptShowAlarms == 1);
        m_ctx.screen.setEventsVisible(s.OptShowEvents == 1);
        m_ctx.screen.setKeypadVisible(s.OptShowKeypad == 1);
        qCInfo(lcLink) << "start-up finished, main window shown";
    }
    m_ctx.screen.setSplashVisible(false);
}

void StartupExchange::startAll()
{
    StationState& s = m_ctx.state;
    for (int m = 1; m <= kModuleCount; ++m) {
        m_asked[size_t(m)] = false;
        m_passedOver[size_t(m)] = false;
        if (!s.ModuleEnabled[m])
            continue;
        // Counted as answering until the next tick, as at a first start.
        s.ModuleStarted[m] = false;
        s.ModuleWasAnswering[m] = true;
    }
    s.StartupModule = 0;
    m_ctx.commands.TstMdl();
    StartMdl();
}

void StartupExchange::passOverUnbegun()
{
    const StationState& s = m_ctx.state;
    for (int m = 1; m <= kModuleCount; ++m) {
        const size_t i = size_t(m);
        // Only a module that answers its prompt: a silent one is passed over
        // as silent already, and asked again when it answers.
        if (m_asked[i] && s.ModuleAnswered[m] && !s.ModuleStarted[m] && s.StartupModule != m) {
            if (!m_passedOver[i])
                qCInfo(lcLink) << "module" << m << "began no exchange after its version request,"
                               << "passed over";
            m_passedOver[i] = true;
        }
        m_asked[i] = false;
    }
}

bool StartupExchange::anyPassedOver() const
{
    for (int m = 1; m <= kModuleCount; ++m) {
        if (m_passedOver[size_t(m)])
            return true;
    }
    return false;
}

void StartupExchange::HandleStartupLine(const QString& line, int m)
{
    if (!isModule(m) || !m_ctx.state.ModuleEnabled[m])
        return;
    if (line.size() == kDumpLineLength)
        handleDumpLine(line, m);
    else if (line == kModuleBanner)
        handleBanner(m);
    else if (!line.endsWith(QLatin1Char(']')))
        m_ctx.state.ModuleVersionText[m] += QLatin1Char('\r') + line.mid(1);
    else
        handleGroupLine(line, m);
}

void StartupExchange::handleBanner(int m)
{
    StationState& s = m_ctx.state;
    s.ModuleStarted[m] = false;
    s.ModuleWasAnswering[m] = true;
    m_ctx.screen.setSplashVisible(true);
    s.ModuleVersionText[m] = QString(kModuleBanner).mid(1);
}

void StartupExchange::handleGroupLine(const QString& line, int m)
{
    StationState& s = m_ctx.state;
    int installed = 0;
    for (int g = 0; g < kGroups; ++g) {
        // A group character missing from a short line is not "N": installed.
        const bool present = line.mid(kFirstGroupChar + g, 1) != QLatin1String("N");
        const int first = globalIndex(m, g * kGroupSize + 1);
        for (int k = first; k < first + kGroupSize; ++k)
            s.ObjInstalled[k] = present ? -1 : 0;
        if (present)
            installed += kGroupSize;
    }
    m_ctx.screen.setMainTitle(kMainTitleOnLine);
    s.DumpLineCount[m] = 0;
    s.DumpA[m].clear();
    s.DumpB[m].clear();
    m_ctx.commands.TstMdl();
    if (s.StartupModule != 0)
        return; // another module's exchange holds the lock; StartMdl asks again later

    const QDateTime now = m_ctx.clock.now();
    s.StartupModule = qint16(m);
    m_asked[size_t(m)] = false;
    m_passedOver[size_t(m)] = false;
    s.StartupTime = float(secondsSinceMidnight(now));
    send(kReadDumpA, m);
    m_ctx.screen.setSplashTexts(kSplashModule + ModuleLabel(s, m),
                                kSplashObjects + QString::number(installed) + kSplashObjectsSuffix,
                                s.ModuleVersionText[m]);
    m_ctx.events.PostEvent(EventPrefix::SystemStarted, now,
                           kModuleStartedText + QString::number(s.SystemNo)
                               + QString::number(m % 10));
    m_ctx.alarms.removeModule(m);
    if (s.OptEventSound == 1)
        m_ctx.beeper.beep();
    m_ctx.archive.appendModuleRecord(m, QChar(RecordLetter::ModuleStarted), now);
    qCInfo(lcLink) << "module" << m << "starting," << installed << "objects installed";
}

void StartupExchange::handleDumpLine(const QString& line, int m)
{
    StationState& s = m_ctx.state;
    // Counted in a wide integer: a module that keeps sending dump lines until
    // the watchdog steps in must not wrap the 16-bit counter.
    const int count = s.DumpLineCount[m] < 32767 ? s.DumpLineCount[m] + 1 : 32767;
    s.DumpLineCount[m] = qint16(count);
    m_ctx.screen.setSplashProgress(count / double(kDumpLines) * 100.0);

    if (count <= kDumpALines) {
        s.DumpA[m] += line;
        if (count != kDumpALines)
            return;
        s.DumpA[m] = dumpDigits(s.DumpA[m]);
        if (s.DumpA[m].size() == kDumpADigits) {
            decodeDumpA(s.DumpA[m], m);
            m_ctx.commands.TstMdl();
            send(kReadDumpB, m);
        } else {
            qCInfo(lcLink) << "module" << m << "dump A damaged, asking again";
            s.DumpLineCount[m] = 0;
            s.DumpA[m].clear();
            s.DumpB[m].clear();
            m_ctx.commands.TstMdl();
            send(kReadDumpA, m);
        }
        return;
    }

    // Lines after the 24th change nothing until the exchange is reset, and are
    // not kept: a line that keeps sending dump lines must not grow DumpB without
    // bound (it holds at most the eight lines of dump B, as the framing holds at
    // most 512 characters of a message).
    if (count > kDumpLines)
        return;
    s.DumpB[m] += line;
    if (count != kDumpLines)
        return;
    const QString digits = dumpDigits(s.DumpB[m]);
    if (digits.size() == kDumpBDigits) {
        decodeDumpB(digits, m);
        finish(m);
    } else {
        qCInfo(lcLink) << "module" << m << "dump B damaged, asking again";
        s.DumpLineCount[m] = kDumpALines;
        s.DumpB[m].clear();
        m_ctx.commands.TstMdl();
        send(kReadDumpB, m);
    }
}

void StartupExchange::decodeDumpA(const QString& digits, int m)
{
    StationState& s = m_ctx.state;
    for (int j = 1; j <= kObjectsPerModule; ++j) {
        const int k = globalIndex(m, j);
        s.ObjParamA[k] = qint16(byteAt(digits, 2 * j - 2));
        s.ObjParamB[k] = qint16(hexValue(digits[256 + 2 * j - 2]));
        s.ObjParamC[k] = qint16(hexValue(digits[256 + 2 * j - 1]));
    }
}

void StartupExchange::decodeDumpB(const QString& digits, int m)
{
    StationState& s = m_ctx.state;
    for (int j = 1; j <= kObjectsPerModule; ++j) {
        const int state = stateOfLetter(QChar(byteAt(digits, 2 * j - 2)));
        if (state >= 0)
            s.ObjState[globalIndex(m, j)] = qint16(state);
    }
}

void StartupExchange::finish(int m)
{
    StationState& s = m_ctx.state;
    m_ctx.commands.TstMdl();
    send(kMonitorOff, m);

    for (int k = globalIndex(m, 1); k <= globalIndex(m, kObjectsPerModule); ++k) {
        const int state = s.ObjState[k];
        if (state != Taken && state != Violated)
            continue;
        const QString text = ObjText(s, m_ctx.files, k);
        const QDateTime now = m_ctx.clock.now();
        if (state == Taken) {
            m_ctx.events.PostEvent(EventPrefix::Taken, now, text);
            m_ctx.archive.AppendDayRecord(k, QChar(RecordLetter::Taken), now);
        } else {
            m_ctx.alarms.addViolation(text);
            m_ctx.events.PostEvent(EventPrefix::Violated, now, text);
            m_ctx.archive.AppendDayRecord(k, QChar(RecordLetter::Violated), now);
        }
    }

    // Both page ribbons of the module: gray, then red if a violation is on their page.
    m_ctx.grid.refreshRibbon(globalIndex(m, 1));
    m_ctx.grid.refreshRibbon(globalIndex(m, 65));

    s.StartupModule = 0;
    s.ModuleStarted[m] = true;
    s.ModuleLinkLost[m] = false;
    qCInfo(lcLink) << "module" << m << "started";
    StartMdl();
    // A shown page of this module is selected again: its buttons repainted and
    // the thresholds panel reset, since the module's settings may have changed
    // under it. Another module's page keeps what the operator has on it (the
    // selected object, a running measurement, thresholds not yet sent); only
    // this module's buttons are repainted, which leaves it as it is.
    if (pageModule(s.CurrentPage) == m) {
        m_ctx.panel.SelectPage(s.CurrentPage);
        return;
    }
    for (int k = globalIndex(m, 1); k <= globalIndex(m, kObjectsPerModule); ++k)
        m_ctx.grid.repaintObject(k);
}

} // namespace zelvan

#include "link/LinkSupervisor.h"

#include "core/Addressing.h"
#include "core/Beeper.h"
#include "core/Clock.h"
#include "core/EventCodes.h"
#include "core/Labels.h"
#include "core/LineShare.h"
#include "core/Logging.h"
#include "core/PanelControl.h"
#include "core/ScreenState.h"
#include "core/StationLists.h"
#include "core/StationState.h"
#include "link/CommandSender.h"
#include "link/LinkTexts.h"
#include "link/ModuleStateFile.h"
#include "link/StartupExchange.h"

namespace zelvan {

using namespace linktexts;

LinkSupervisor::LinkSupervisor(StationContext context, StartupExchange& exchange)
    : m_ctx(context), m_exchange(exchange)
{
}

QString LinkSupervisor::linkLostText(const QStringList& labels)
{
    return kLinkLostHead + (labels.size() > 1 ? kLinkLostPlural : QString()) + QLatin1Char('\r')
           + labels.join(QLatin1Char(',')) + kLinkLostTail;
}

double LinkSupervisor::secondsSince(double since, double now)
{
    const double elapsed = now - since;
    return elapsed < 0 ? elapsed + 86400.0 : elapsed;
}

void LinkSupervisor::tick()
{
    if (m_housekeeping)
        m_housekeeping();
    writeUnsaved();

    StationState& s = m_ctx.state;
    // A panel on standby asks nothing: it runs no exchange of its own and
    // reports silence only where the active panel asks and the module does
    // not answer (another module answered in the same period).
    const bool writes = m_share == nullptr || m_share->writes();
    bool anyAnswered = false;
    for (int m = 1; m <= kModuleCount; ++m)
        anyAnswered = anyAnswered || (s.ModuleEnabled[m] && s.ModuleAnswered[m]);
    const bool lossCounts = writes || (m_share->silenceIsLoss() && anyAnswered);

    if (writes)
        m_exchange.passOverUnbegun();
    if (lossCounts) {
        reportSilent();
        for (int m = 1; m <= kModuleCount; ++m) {
            if (s.ModuleEnabled[m] && !s.ModuleAnswered[m] && s.ModuleWasAnswering[m])
                recordLost(m);
        }
    } else {
        m_ctx.screen.setLinkLostVisible(false);
    }

    for (int m = 1; m <= kModuleCount; ++m) {
        if (writes && s.ModuleEnabled[m] && s.ModuleAnswered[m] && !s.ModuleWasAnswering[m]) {
            qCInfo(lcLink) << "module" << m << "answers again";
            m_exchange.StartMdl();
        }
    }

    watchdog(writes);

    for (int m = 1; m <= kModuleCount; ++m) {
        // Unknown on standby while nobody asks: it counts as answering, so
        // that the first period in which it is asked and stays silent is a loss.
        if (lossCounts)
            s.ModuleWasAnswering[m] = s.ModuleAnswered[m];
        s.ModuleAnswered[m] = false;
    }
    if (!writes) {
        // What the standby knows it shows at once.
        m_exchange.endStartupPhase();
        return;
    }
    m_ctx.commands.TstMdl();

    // The chain of exchanges moves on only through replies: a module that was
    // asked and stays silent would keep the start-up phase open for ever. With
    // no exchange running, ask again; modules silent in the last period are
    // passed over, and the main window appears when none is left.
    // A module passed over is asked again at each tick until it begins.
    if (s.StartupModule == 0
        && (s.FirstStartPending || m_ctx.screen.splash().visible || m_exchange.anyPassedOver()))
        m_exchange.StartMdl();
}

void LinkSupervisor::reportSilent()
{
    const StationState& s = m_ctx.state;
    QStringList silent;
    for (int m = 1; m <= kModuleCount; ++m) {
        // A module passed over at start answers the probe, but is as good as silent.
        if (s.ModuleEnabled[m] && (!s.ModuleAnswered[m] || m_exchange.passedOver(m)))
            silent.append(ModuleLabel(s, m));
    }
    if (silent.isEmpty()) {
        m_ctx.screen.setLinkLostVisible(false);
        return;
    }
    m_ctx.screen.setLinkLostVisible(true);
    m_ctx.screen.setLinkLostText(linkLostText(silent));
}

void LinkSupervisor::recordLost(int m)
{
    StationState& s = m_ctx.state;
    qCInfo(lcLink) << "link with module" << m << "lost";
    s.ModuleStarted[m] = false;
    s.ModuleLinkLost[m] = true;
    for (int k = globalIndex(m, 1); k <= globalIndex(m, kObjectsPerModule); ++k)
        s.ObjInstalled[k] = 0;
    m_ctx.panel.SelectPage(s.CurrentPage);

    // One reading: the list line, the record and the saved state share their time.
    const QDateTime lostAt = m_ctx.clock.now();
    m_ctx.events.PostEvent(EventPrefix::LinkLost, lostAt, kLinkLostText + ModuleLabel(s, m));
    if (s.OptEventSound == 1)
        m_ctx.beeper.beep();
    m_ctx.archive.appendModuleRecord(m, QChar(RecordLetter::LinkLost), lostAt);
    saveModuleState(m, lostAt);
}

void LinkSupervisor::saveModuleState(int m, const QDateTime& lostAt)
{
    const StationState& s = m_ctx.state;
    QStringList commands;
    for (int n = 1; n <= kObjectsPerModule; ++n) {
        if (s.ObjState[globalIndex(m, n)] > 0)
            commands.append(QLatin1Char('P') + QString::number(n));
    }
    if (commands.isEmpty())
        return; // a file from an earlier loss stays as it is
    m_unsaved[size_t(m)] = UnsavedState{lostAt, commands};
    writeUnsaved();
}

int LinkSupervisor::unsavedCount() const
{
    int n = 0;
    for (const auto& u : m_unsaved)
        n += u.has_value() ? 1 : 0;
    return n;
}

void LinkSupervisor::writeUnsaved()
{
    QString problem;
    for (int m = 1; m <= kModuleCount; ++m) {
        auto& unsaved = m_unsaved[size_t(m)];
        if (!unsaved)
            continue;
        ModuleStateFile file(m_ctx.state.DataDir, m);
        if (file.write(unsaved->lostAt, unsaved->commands)) {
            unsaved.reset();
            continue;
        }
        qCWarning(lcLink).noquote() << "cannot write" << file.path() << file.errorString();
        if (problem.isEmpty())
            problem = moduleStateNotSaved().arg(file.path(), file.errorString());
    }
    m_ctx.screen.setProblem(ScreenState::ProblemSource::ModuleState, problem);
}

void LinkSupervisor::watchdog(bool writes)
{
    StationState& s = m_ctx.state;
    const int st = s.StartupModule;
    if (!isModule(st))
        return;
    const double now = secondsSinceMidnight(m_ctx.clock.now());
    if (s.ModuleAnswered[st] && secondsSince(s.StartupTime, now) <= kWatchdogSeconds)
        return;
    qCInfo(lcLink) << "start-up exchange of module" << st << "abandoned";
    s.ModuleStarted[st] = false;
    s.ModuleAnswered[st] = false;
    s.ModuleWasAnswering[st] = false;
    s.StartupModule = 0;
    if (writes)
        m_exchange.StartMdl();
}

} // namespace zelvan

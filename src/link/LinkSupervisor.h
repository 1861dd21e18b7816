#pragma once

#include "core/StationContext.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

namespace zelvan {

class StartupExchange;
class LineShare;

// The 10-second tick: reports silent modules in the link-lost window, records
// each lost link once (events line, day record, Mdl_<m>.dat), starts returning
// modules again, abandons a stalled start-up exchange, and probes the modules
// for the next period.
class LinkSupervisor
{
public:
    static constexpr int kTickMs = 10000;
    static constexpr double kWatchdogSeconds = 15.0;

    LinkSupervisor(StationContext context, StartupExchange& exchange);

    // Runs before the supervision proper at each tick: reopening failed ports,
    // writing day records that are waiting after a failure.
    void setHousekeeping(std::function<void()> work) { m_housekeeping = std::move(work); }

    // The line may be shared with a panel on standby; without a share this
    // panel writes and every silence is a loss.
    void setLineShare(const LineShare* share) { m_share = share; }

    void tick();

    // Module state files waiting to be written after a failure.
    int unsavedCount() const;

    // The link-lost window's text for the silent modules, in ascending order.
    static QString linkLostText(const QStringList& labels);
    // Seconds from `since` (seconds after midnight) to `now`, across midnight.
    static double secondsSince(double since, double now);

private:
    void reportSilent();
    void recordLost(int m);
    void saveModuleState(int m, const QDateTime& lostAt);
    void writeUnsaved();
    // writes: false on standby, which abandons a stalled exchange it only heard.
    void watchdog(bool writes);

    // A module's state file that could not be written yet: retried at each
    // tick until it is, a later loss of the module replacing it.
    struct UnsavedState
    {
        QDateTime lostAt;
        QStringList commands;
    };

    StationContext m_ctx;
    StartupExchange& m_exchange;
    std::function<void()> m_housekeeping;
    const LineShare* m_share = nullptr;
    std::array<std::optional<UnsavedState>, 9> m_unsaved{};
};

} // namespace zelvan

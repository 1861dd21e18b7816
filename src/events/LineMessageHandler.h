#pragma once

#include "events/StationContext.h"

#include <QString>

namespace zelvan {

struct StationState;
class CommandSender;

// Threshold messages (#B, #Z, #T) and measured-value replies (bare numbers).
class LineMessageHandler
{
public:
    explicit LineMessageHandler(StationContext context);
    void handleThreshold(const QString& message, int m);
    void handleMeasurement(const QString& message, int m);

    // A command about the object selected on the panel: letter, SelectedObjectNo,
    // tail and CR, to the module of SelectedObject. Nothing is sent while no
    // object is selected.
    static void sendForSelected(const StationState& state, CommandSender& commands,
                                const QString& letter, const QString& tail = {});
    // Starts (or renews) the live measurement of the selected object:
    // PendingMeasure becomes "U" + SelectedObject and the first request goes out.
    static void startMeasurement(StationState& state, CommandSender& commands);

    // Threshold messages whose object number or value was out of range.
    quint64 rejectedCount() const { return m_rejected; }

private:
    StationContext m_ctx;
    quint64 m_rejected = 0;
};

} // namespace zelvan

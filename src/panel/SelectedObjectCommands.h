#pragma once

#include <QString>

namespace zelvan {

struct StationState;
class ModuleCommands;

// The panel's commands about the selected object (the last pressed grid
// button): take, release, thresholds and the live measurement.
class SelectedObjectCommands
{
public:
    SelectedObjectCommands(StationState& state, ModuleCommands& commands);

    // letter, SelectedObjectNo, tail and CR, to the module of SelectedObject.
    // Nothing is sent while no object is selected.
    // False when nothing went out (no object, or its port closed).
    bool send(const QString& letter, const QString& tail = {}) const;
    // The same for object k, selected or not.
    bool sendTo(int k, const QString& letter, const QString& tail = {}) const;
    // Starts (or renews) the live measurement: PendingMeasure becomes "U" +
    // SelectedObject and the first request goes out.
    void startMeasurement() const;
    // A measured value came back: the next request for the measured object
    // goes out (nothing while no measurement is held).
    void renewMeasurement() const;

private:
    StationState& m_state;
    ModuleCommands& m_commands;
};

} // namespace zelvan

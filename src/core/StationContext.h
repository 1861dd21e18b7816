#pragma once

namespace zelvan {

struct StationState;
class Clock;
class Beeper;
class ObjectFiles;
class DayRecords;
class ViolationLines;
class EventLines;
class GridRepaint;
class ModuleCommands;
class PanelControl;
class ScreenState;

// The parts of the station that the message handlers, the start-up exchange
// and the supervision share, each seen through what they need of it. Built
// once by the station; every member outlives the handlers that hold the context.
struct StationContext
{
    StationState& state;
    const Clock& clock;
    Beeper& beeper;
    ObjectFiles& files;
    DayRecords& archive;
    ViolationLines& alarms;
    EventLines& events;
    GridRepaint& grid;
    ModuleCommands& commands;
    PanelControl& panel;
    ScreenState& screen;
};

} // namespace zelvan

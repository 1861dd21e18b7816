#pragma once

namespace zelvan {

struct StationState;
class Clock;
class Beeper;
class ObjectFiles;
class DayArchive;
class AlarmList;
class EventList;
class ObjectGrid;
class CommandSender;
class PanelControl;
class ScreenState;

// The parts of the engine that the message handlers, the start-up exchange and
// the supervision share. Built once by the station; every member outlives the
// handlers that hold the context.
struct StationContext
{
    StationState& state;
    const Clock& clock;
    Beeper& beeper;
    ObjectFiles& files;
    DayArchive& archive;
    AlarmList& alarms;
    EventList& events;
    ObjectGrid& grid;
    CommandSender& commands;
    PanelControl& panel;
    ScreenState& screen;
};

} // namespace zelvan

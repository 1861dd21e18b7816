#pragma once

#include "core/ObjectFiles.h"
#include "core/ScreenState.h"
#include "core/StationContext.h"
#include "core/StationState.h"
#include "events/AlarmList.h"
#include "events/DayArchive.h"
#include "events/EventList.h"
#include "link/CommandSender.h"
#include "panel/ObjectGrid.h"
#include "support/Fakes.h"

#include <QByteArrayList>
#include <QTemporaryDir>

namespace zelvan::test {

// A whole engine for one test: the state (hub topology, modules 1..8 enabled),
// a temporary program directory with its Data directory and the object files
// created, the day archive, the lists, the grid, the command sender over two
// open fake lines, a settable clock, a counting beeper, a recording panel and
// the screen state. Build it on the stack of the test function.
class EngineFixture
{
public:
    EngineFixture();
    EngineFixture(const EngineFixture&) = delete;
    EngineFixture& operator=(const EngineFixture&) = delete;

    StationContext context();
    // The same with another main panel (a real one, where a test follows the
    // panel's own rules).
    StationContext context(PanelControl& otherPanel);

    // Everything written to port 1 or 2 since the last take.
    QByteArray takeWritten(int port);
    // Records (without CR LF) of the day file of the clock's current date; empty
    // when the file does not exist.
    QByteArrayList dayFileLines() const;
    // Raw content of the day file of the clock's current date.
    QByteArray dayFileBytes() const;

    QTemporaryDir home;
    StationState state;
    FakeClock clock;
    CountingBeeper beeper;
    RecordingPanelControl panel;
    ScreenState screen;
    FakeSerialLine port1;
    FakeSerialLine port2;
    ObjectFiles files;
    DayArchive archive;
    AlarmList alarms;
    EventList events;
    ObjectGrid grid;
    CommandSender commands;
};

} // namespace zelvan::test

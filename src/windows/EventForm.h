#pragma once

#include "windows/ListWindowForm.h"

namespace zelvan {

class EventList;
class ScreenState;

// The events window, "Събития": List1 draws the events list, newest line last.
//
// Construction: EventForm(events, screen, info) with the station's events list,
// its screen state and the
// shared ObjectInfoForm. Its visibility follows ScreenState::eventsVisible; the
// close box clears that flag and hides the window, keeping the list.
class EventForm : public ListWindowForm
{
    Q_OBJECT
public:
    EventForm(EventList& events, ScreenState& screen, ObjectInfoForm& info,
              QWidget* parent = nullptr);
};

} // namespace zelvan

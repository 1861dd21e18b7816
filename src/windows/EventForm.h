#pragma once

#include "windows/ListWindowForm.h"

namespace zelvan {

struct StationContext;

// The events window, "Събития": List1 draws ctx.events, newest line last.
//
// Construction: EventForm(ctx, info) with the station's StationContext and the
// shared ObjectInfoForm. Its visibility follows ScreenState::eventsVisible; the
// close box clears that flag and hides the window, keeping the list.
class EventForm : public ListWindowForm
{
    Q_OBJECT
public:
    EventForm(StationContext& ctx, ObjectInfoForm& info, QWidget* parent = nullptr);
};

} // namespace zelvan

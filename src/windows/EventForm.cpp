#include "windows/EventForm.h"

#include "core/ScreenState.h"
#include "events/EventList.h"
#include "events/StationContext.h"
#include "windows/TipForm.h"
#include "windows/WindowTexts.h"

namespace zelvan {

EventForm::EventForm(StationContext& ctx, ObjectInfoForm& info, QWidget* parent)
    : ListWindowForm(ctx.screen, &ScreenState::eventsVisible, &ScreenState::setEventsVisible,
                     windowtexts::eventCaption(), ctx.events, ListSource::Events,
                     new EventTipForm, info, parent)
{
    setObjectName(QStringLiteral("EventForm"));
    followScreen();
}

} // namespace zelvan

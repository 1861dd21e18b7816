#include "windows/EventForm.h"

#include "core/ScreenState.h"
#include "events/EventList.h"
#include "windows/TipForm.h"
#include "windows/WindowTexts.h"

namespace zelvan {

EventForm::EventForm(EventList& events, ScreenState& screen, ObjectInfoForm& info, QWidget* parent)
    : ListWindowForm(screen, &ScreenState::eventsVisible, &ScreenState::setEventsVisible,
                     windowtexts::eventCaption(), events, ListSource::Events, new EventTipForm,
                     info, parent)
{
    setObjectName(QStringLiteral("EventForm"));
    followScreen();
}

} // namespace zelvan

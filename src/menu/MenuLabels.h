#pragma once

#include <QString>

namespace zelvan {

struct StationState;

// System part of the menu window's labels: the decimal SystemNo, or one space
// when the system number is hidden.
QString menuSystemPart(const StationState& state);

// Caption of a module's box and restore button: "Модул  " + system part + digit.
QString menuModuleCaption(const StationState& state, int m);

} // namespace zelvan

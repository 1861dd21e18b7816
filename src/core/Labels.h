#pragma once

#include "core/StationState.h"

#include <QString>

namespace zelvan {

class ObjectFiles;

// Module label of module m: SystemNo followed by the module digit, or the digit
// alone when ShowSystemZero is "N" and SystemNo is 0.
QString ModuleLabel(const StationState& state, int m);

// Object label of the violations and events windows, 7 characters for a
// one-digit SystemNo: " 03-017", or "  3-017" without the system prefix.
QString FormatObjectLabel(const StationState& state, int k);

// Object label of the menu window: FormatObjectLabel without its leading space.
QString MenuObjectLabel(const StationState& state, int k);

// The object's line in the violations list: label, two spaces, name (Name.dat).
QString ObjText(const StationState& state, const ObjectFiles& files, int k);

} // namespace zelvan

#pragma once

#include "core/StationContext.h"

#include <QString>
#include <QStringView>

namespace zelvan {

// Steps that every object message handler shares (guard-state, board,
// threshold and measurement messages).

// Global index of object n of module m, n read from the message's number field
// (numeric value, rounded half to even). 0 when m is not a module 1..8 or n is
// not an object number 1..128: such a message names no object and is ignored.
int objectIndexOf(int m, QStringView numberField);

// Removes every violation line of object k (matched by its object label, so a
// name changed since the violation does not leave the line behind).
void removeViolationLines(StationContext& ctx, int k);

// The event beep, when the operator has event sounds on.
void beepOnEvent(StationContext& ctx);

} // namespace zelvan

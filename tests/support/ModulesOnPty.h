#pragma once

#include <QString>

namespace zelvan::modsim {
class ModuleSimulator;
class PtyLink;
} // namespace zelvan::modsim

namespace zelvan::test {

// The simulated modules on a real pseudo-terminal: opens `link` with its slave
// at `linkPath` (the device the station's port 1 names) and joins it to the
// simulator's line 1 both ways. False, with the reason, when it cannot be opened.
bool playModulesOnPty(modsim::ModuleSimulator& sim, modsim::PtyLink& link, const QString& linkPath,
                      QString* error);

} // namespace zelvan::test

#pragma once

#include <QString>

namespace zelvan {

// The version of this build, the same everywhere it is shown (--version of
// both programs, the menu's information tab): the release number, and the
// commit when it was built from a git checkout, e.g. "1.0.0 (git 1a2b3c4d5e)".
QString programVersion();
// The release number alone ("1.0.0"), as the package carries it.
QString releaseVersion();

} // namespace zelvan

#include "core/ProgramVersion.h"

#include "zelvan_version.h" // written by the build (cmake/BuildVersion.cmake)

namespace zelvan {

QString programVersion() { return QStringLiteral(ZELVAN_VERSION_TEXT); }

QString releaseVersion() { return QStringLiteral(ZELVAN_VERSION); }

} // namespace zelvan

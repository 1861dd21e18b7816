#include "core/ObjectFiles.h"

// Placeholder until the record layouts are written.
namespace zelvan {

ObjectFiles::ObjectFiles(QString dataDir) : m_dataDir(std::move(dataDir)) {}

QString ObjectFiles::name(int k) const
{
    Q_UNUSED(k);
    return {};
}

} // namespace zelvan

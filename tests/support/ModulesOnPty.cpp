#include "support/ModulesOnPty.h"

#include "modsim/ModuleSimulator.h"
#include "modsim/PtyLink.h"

namespace zelvan::test {

bool playModulesOnPty(modsim::ModuleSimulator& sim, modsim::PtyLink& link, const QString& linkPath,
                      QString* error)
{
    if (!link.open(linkPath, error))
        return false;
    QObject::connect(&link, &modsim::PtyLink::received, &sim,
                     [&sim](const QByteArray& bytes) { sim.receive(1, bytes); });
    QObject::connect(&sim, &modsim::ModuleSimulator::output, &link,
                     [&link](int line, const QByteArray& bytes) {
                         if (line == 1)
                             link.write(bytes);
                     });
    return true;
}

} // namespace zelvan::test

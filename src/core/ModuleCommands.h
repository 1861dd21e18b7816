#pragma once

#include <QChar>
#include <QString>

namespace zelvan {

// The end of every command line.
inline constexpr QChar kCr{13};

// How the parts of the station speak to the modules: SendToModule routes an
// ordinary command to its module (through the hub or the direct port), TstMdl
// asks every module for a sign of life. Implemented by the link's command
// sender; tests may record the commands.
class ModuleCommands
{
public:
    virtual ~ModuleCommands() = default;
    // The caller supplies the closing CR. False when the command could not
    // go out (its port is closed): it is dropped, never queued.
    virtual bool SendToModule(const QString& command, int m) = 0;
    virtual void TstMdl() = 0;
};

} // namespace zelvan

#pragma once

#include "core/StationContext.h"
#include "core/StationState.h"

#include <QString>

namespace zelvan {

// The start-up conversation with one module at a time: version reply (banner,
// version text lines, group line), dump A (line settings of the 128 objects),
// dump B (their guard-state letters), monitor mode off. StartMdl asks the next
// module that needs it, or ends the start-up phase by showing the main window.
class StartupExchange
{
public:
    explicit StartupExchange(StationContext context);

    // A line of the exchange, as the framing delivers it (no CR).
    void HandleStartupLine(const QString& line, int m);
    // Asks the lowest enabled, answering, not started module for its version;
    // when none is left, shows the main window (first time) and closes the
    // start-up window. Modules passed over are asked only after that, lowest first.
    void StartMdl();
    // Ends the start-up phase: the main window and the lists the options
    // name appear (the first time), the start-up window closes. A panel that
    // listens on standby does so without an exchange of its own.
    void endStartupPhase();
    // Takes the line over: the probe, then the exchange of every enabled
    // module from the lowest on, each counted as answering until the next
    // tick (a module that another panel left in monitor mode is brought back
    // by its exchange too).
    void startAll();

    // At the supervision tick: a module asked for its version since the last
    // tick that answers its prompt but has not begun its exchange (no group
    // line taken up) is passed over, so that one module answering the probe
    // but never completing its version reply cannot hold the start-up of the
    // others.
    void passOverUnbegun();
    // Module m was passed over and has not begun an exchange since.
    bool passedOver(int m) const { return m_passedOver[size_t(m)]; }
    bool anyPassedOver() const;

    // The hexadecimal digits of a dump ("0".."9", "A".."F" only), in order.
    static QString dumpDigits(const QString& dump);
    // ObjState code of a guard-state letter of dump B; -1 leaves the state as it was.
    static int stateOfLetter(QChar letter);

private:
    void handleDumpLine(const QString& line, int m);
    void handleBanner(int m);
    void handleGroupLine(const QString& line, int m);
    void decodeDumpA(const QString& digits, int m);
    void decodeDumpB(const QString& digits, int m);
    void finish(int m);
    void send(const QString& command, int m);
    bool askNext(bool passedOver);

    StationContext m_ctx;
    ModuleTable<bool> m_asked{};
    ModuleTable<bool> m_passedOver{};
};

} // namespace zelvan

#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace zelvan {

// What the operator did at the panel, as the journal names it.
enum class JournalAction
{
    Start,
    Exit,
    Login,
    Logout,
    LoginFailed,
    Take,
    Release,
    Silence,
    Measure,
    Thresholds,
    Colour,
    Names,
    Information,
    Board,
    Restore,
    Options,
    Report,
    Print,
    Pdf,
    Csv,
    UncleanEnd,     // the last run ended without its exit line
    JournalDropped, // lines dropped from memory while the journal could not be written
};

// The journal's word for an action ("take", "login_failed" ...).
QString journalActionName(JournalAction action);

// Where a take or release command came from (the journal's detail).
namespace command_origin {
inline QString grid() { return QStringLiteral("grid"); }
inline QString keypad() { return QStringLiteral("keypad"); }
inline QString restore() { return QStringLiteral("restore"); }
} // namespace command_origin

// The panel's parts tell the operator's actions here, and ask here before an
// action that commands a module or changes stored data. The operator's
// session implements it; without one (a part used on its own, in a test) the
// helpers below run the action at once and journal nothing.
class OperatorActions
{
public:
    virtual ~OperatorActions() = default;
    // Runs action now when the operator may do it (no operators configured,
    // or one logged in); otherwise asks for a log-in first and runs it after
    // a good one. A log-in given up drops the action: nothing is sent.
    virtual void whenAllowed(std::function<void()> action) = 0;
    // One line of the journal, with whoever is logged in ("-" for nobody).
    // object: k, 0 if none; module: m, 0 if none.
    virtual void journal(JournalAction action, int object, int module, const QString& detail) = 0;
};

inline void whenAllowed(OperatorActions* actions, std::function<void()> action)
{
    if (actions)
        actions->whenAllowed(std::move(action));
    else
        action();
}

// As whenAllowed, telling the action whether it waited for a log-in (the
// operator's hand has left the button meanwhile). True when it ran at once.
inline bool whenAllowedTelling(OperatorActions* actions, std::function<void(bool waited)> action)
{
    struct Run
    {
        bool asked = false; // whenAllowed has returned without running it
        bool ran = false;
    };
    const auto run = std::make_shared<Run>();
    whenAllowed(actions, [run, action = std::move(action)] {
        run->ran = true;
        action(run->asked);
    });
    run->asked = true;
    return run->ran;
}

inline void journal(OperatorActions* actions, JournalAction action, int object, int module,
                    const QString& detail = QString())
{
    if (actions)
        actions->journal(action, object, module, detail);
}

} // namespace zelvan

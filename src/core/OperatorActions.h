#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace zelvan {

struct StationState;

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
    GivenUp,        // an action that waited for a log-in was dropped without one
    Refused,        // an action was refused: nobody can log in to allow it
    UncleanEnd,     // the last run ended without its exit line
    JournalDropped, // lines dropped from memory while the journal could not be written
    HandOver,       // the active panel of a pair handed the line to its partner
    TakeOver,       // the operator took the line over at a panel that could not see its partner
};

// The journal's word for an action ("take", "login_failed" ...).
QString journalActionName(JournalAction action);
// The operator's word for it ("Поемане", "Неуспешен вход" ...).
QString journalActionCaption(JournalAction action);
// The operator's word for a journal's word ("take" -> "Поемане"); a word the
// panel does not know (a line written by hand, a later version) as it stands.
QString journalActionCaption(const QString& word);

// An action the operator asked for, as the journal and the log-in dialog
// name it: what, on which object (k) and module (m), 0 where none.
struct ActionRequest
{
    JournalAction action = JournalAction::Take;
    int object = 0;
    int module = 0;
    QString text; // for the operator: "Поемане на обект 1-005"

    // The request for object k, labelled as the lists show it ("3-005").
    static ActionRequest onObject(JournalAction action, const StationState& state, int k);
    // The request for a whole module m.
    static ActionRequest onModule(JournalAction action, const StationState& state, int m);
    // A request about no object.
    static ActionRequest plain(JournalAction action);
};

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
    // or one logged in); otherwise asks for a log-in first, showing what
    // waits, and runs it after a good one. A log-in given up, or not given in
    // time, drops the action: nothing is sent. Where nobody can log in (the
    // operators file cannot be used) the action is refused and said.
    virtual void whenAllowed(const ActionRequest& request, std::function<void()> action) = 0;
    // One line of the journal, with whoever is logged in ("-" for nobody).
    // object: k, 0 if none; module: m, 0 if none.
    virtual void journal(JournalAction action, int object, int module, const QString& detail) = 0;
};

inline void whenAllowed(OperatorActions* actions, const ActionRequest& request,
                        std::function<void()> action)
{
    if (actions)
        actions->whenAllowed(request, std::move(action));
    else
        action();
}

// As whenAllowed, telling the action whether it waited for a log-in (the
// operator's hand has left the button meanwhile). True when it ran at once.
inline bool whenAllowedTelling(OperatorActions* actions, const ActionRequest& request,
                               std::function<void(bool waited)> action)
{
    struct Run
    {
        bool asked = false; // whenAllowed has returned without running it
        bool ran = false;
    };
    const auto run = std::make_shared<Run>();
    whenAllowed(actions, request, [run, action = std::move(action)] {
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

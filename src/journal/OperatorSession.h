#pragma once

#include "core/OperatorActions.h"
#include "journal/LoginHolds.h"
#include "journal/OperatorsFile.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

namespace zelvan {

class Clock;
class Journal;

// Who is at the panel. With no operators file nobody is asked for anything
// and every action runs at once, journaled as "-". With operators, an action
// that commands a module or changes stored data waits for a log-in
// (loginRequested()) and runs after a good one; watching, and silencing the
// tone, never wait.
//
// What waits is decided when it is asked for (the take or the release of the
// moment of the press) and shown in the log-in dialog; without a log-in
// within kPendingSeconds it is given up, journaled.
//
// An operators file that is there but cannot be used (open to others,
// unreadable, no line readable), or that is gone while the panel runs, lets
// nobody log in: every action that waits for a log-in is refused, saying why
// and how to mend it. The same holds while the log-in holds cannot be read.
//
// Five wrong PINs in a row for a name hold that name (LoginHolds: kept across
// restarts, each hold longer). An operator idle for idleMinutes (0: never) is
// logged out; one removed from the operators file is logged out at the next
// setOperators().
class OperatorSession : public QObject, public OperatorActions
{
    Q_OBJECT
public:
    static constexpr int kMaxFailures = LoginHolds::kMaxFailures;
    static constexpr int kPendingSeconds = 30;
    static constexpr int kTickMs = 1000;

    OperatorSession(Journal& journal, const Clock& clock, LoginHolds& holds, int idleMinutes,
                    QObject* parent = nullptr);

    // The operators file as it was just read: at start, and again at every
    // supervision tick. An operator no longer in it is logged out.
    void setOperators(const OperatorsFile::Read& read);

    bool loginRequired() const { return m_required; }
    // Why nobody can log in now, with how to mend it; empty when somebody can.
    QString refusal() const;
    // Why the operators file lets nobody log in; empty when it does not.
    // Says why this panel cannot do an action at all now (it does not write
    // to the line: the other panel of a pair does); empty when it may. A
    // refused action is journaled as refused and said through lineRefused().
    using LineRefusal = std::function<QString(const ActionRequest&)>;
    void setLineRefusal(LineRefusal refusal) { m_lineRefusal = std::move(refusal); }
    QString fileRefusal() const { return m_fileRefusal; }
    QStringList operatorNames() const;
    // The operator logged in; empty for nobody.
    QString current() const { return m_current; }
    // An action waits for a log-in.
    bool pending() const { return m_pending.has_value(); }
    // What waits, as the operator reads it; empty when nothing does.
    QString pendingText() const { return m_pending ? m_pending->request.text : QString(); }

    enum class Login
    {
        Accepted,
        Wrong,   // unknown name or wrong PIN
        Held,    // too many wrong PINs for the name: heldUntil() says till when
        Refused, // nobody can log in now: refusal() says why
    };
    // A log-in at the dialog; a good one runs the waiting action.
    Login login(const QString& name, const QString& pin);
    QDateTime heldUntil(const QString& name) const;
    // The names held now, one problem line each; empty when none.
    QString holdsProblem() const;
    // The log-in dialog was closed without a log-in: the waiting action is dropped.
    void cancelLogin();
    void logout();
    // The idle log-out, the waiting action's time limit and the end of
    // holds, also run by the session's own timer.
    void tick();

    void whenAllowed(const ActionRequest& request, std::function<void()> action) override;
    void journal(JournalAction action, int object, int module, const QString& detail) override;

signals:
    // An action waits: the log-in dialog is to be shown.
    void loginRequested();
    // An action was refused (text says which and why): shown to the operator.
    void actionRefused(const QString& text);
    // An action refused because another panel has the line.
    void lineRefused(const QString& text);
    // The waiting action was given up (time out, cancel, another asked).
    void pendingDropped();
    // Somebody logged in or out.
    void operatorChanged(const QString& name);
    // The operators (or whether a log-in is needed) changed.
    void operatorsChanged();
    // The held names changed: holdsProblem() is the new text.
    void holdsChanged();

private:
    struct Pending
    {
        ActionRequest request;
        std::function<void()> action;
        QDateTime askedAt;
    };
    void setCurrent(const QString& name);
    void dropPending(const QString& why);
    void logoutWith(const QString& detail);
    void checkHolds();

    QList<OperatorRecord> m_operators;
    Journal& m_journal;
    const Clock& m_clock;
    LoginHolds& m_holds;
    int m_idleMinutes = 0;
    bool m_required = false;
    QString m_fileRefusal; // the operators file cannot be used
    LineRefusal m_lineRefusal;
    QString m_current;
    QDateTime m_lastAction;
    std::optional<Pending> m_pending;
    QString m_heldText; // holdsProblem() as last told
    QTimer m_timer;
};

} // namespace zelvan

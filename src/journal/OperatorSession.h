#pragma once

#include "core/OperatorActions.h"
#include "journal/OperatorsFile.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <functional>

namespace zelvan {

class Clock;
class Journal;

// Who is at the panel. With no operators configured nobody is asked for
// anything and every action runs at once, journaled as "-". With operators,
// an action that commands a module or changes stored data waits for a
// log-in (loginRequested()) and runs after a good one; watching, and
// silencing the tone, never wait.
//
// Five wrong PINs in a row for a name hold that name for kHoldSeconds, even
// against the right PIN. An operator idle for idleMinutes (0: never) is
// logged out.
class OperatorSession : public QObject, public OperatorActions
{
    Q_OBJECT
public:
    static constexpr int kMaxFailures = 5;
    static constexpr int kHoldSeconds = 60;
    static constexpr int kIdleCheckMs = 1000;

    OperatorSession(QList<OperatorRecord> operators, Journal& journal, const Clock& clock,
                    int idleMinutes, QObject* parent = nullptr);

    bool loginRequired() const { return !m_operators.isEmpty(); }
    QStringList operatorNames() const;
    // The operator logged in; empty for nobody.
    QString current() const { return m_current; }
    // An action waits for a log-in.
    bool pending() const { return bool(m_pending); }

    enum class Login
    {
        Accepted,
        Wrong, // unknown name or wrong PIN
        Held,  // too many wrong PINs for the name: heldUntil() says till when
    };
    // A log-in at the dialog; a good one runs the waiting action.
    Login login(const QString& name, const QString& pin);
    QDateTime heldUntil(const QString& name) const;
    // The log-in dialog was closed without a log-in: the waiting action is dropped.
    void cancelLogin();
    void logout();
    // The idle check, also run by the session's own timer.
    void checkIdle();

    void whenAllowed(std::function<void()> action) override;
    void journal(JournalAction action, int object, int module, const QString& detail) override;

signals:
    // An action waits: the log-in dialog is to be shown.
    void loginRequested();
    // Somebody logged in or out.
    void operatorChanged(const QString& name);

private:
    struct Attempts
    {
        int failures = 0;
        QDateTime heldUntil;
    };
    void setCurrent(const QString& name);

    QList<OperatorRecord> m_operators;
    Journal& m_journal;
    const Clock& m_clock;
    int m_idleMinutes = 0;
    QString m_current;
    QDateTime m_lastAction;
    std::function<void()> m_pending;
    QHash<QString, Attempts> m_attempts;
    QTimer m_idleTimer;
};

} // namespace zelvan

#include "journal/OperatorSession.h"

#include "core/Clock.h"
#include "journal/Journal.h"
#include "journal/JournalTexts.h"

namespace zelvan {

OperatorSession::OperatorSession(QList<OperatorRecord> operators, Journal& journal,
                                 const Clock& clock, int idleMinutes, QObject* parent)
    : QObject(parent), m_operators(std::move(operators)), m_journal(journal), m_clock(clock),
      m_idleMinutes(qMax(0, idleMinutes))
{
    m_idleTimer.setInterval(kIdleCheckMs);
    connect(&m_idleTimer, &QTimer::timeout, this, &OperatorSession::checkIdle);
    if (loginRequired() && m_idleMinutes > 0)
        m_idleTimer.start();
}

QStringList OperatorSession::operatorNames() const
{
    QStringList names;
    for (const OperatorRecord& o : m_operators)
        names << o.name;
    return names;
}

OperatorSession::Login OperatorSession::login(const QString& name, const QString& pin)
{
    const QDateTime now = m_clock.now();
    Attempts& a = m_attempts[name];
    if (a.heldUntil.isValid() && now < a.heldUntil) {
        journal(JournalAction::LoginFailed, 0, 0, QStringLiteral("%1: held").arg(name));
        return Login::Held;
    }
    const auto record = std::find_if(m_operators.cbegin(), m_operators.cend(),
                                     [&name](const OperatorRecord& o) { return o.name == name; });
    // An unknown name costs the same hash as a known one, and counts the same.
    const bool good =
        record != m_operators.cend() && OperatorsFile::verifyPin(record->pinHash, pin);
    if (!good) {
        a.heldUntil = QDateTime();
        ++a.failures;
        QString detail =
            QStringLiteral("%1: wrong PIN %2 of %3").arg(name).arg(a.failures).arg(kMaxFailures);
        if (a.failures >= kMaxFailures) {
            a.failures = 0;
            a.heldUntil = now.addSecs(kHoldSeconds);
            detail += QStringLiteral(", held for %1 s").arg(kHoldSeconds);
        }
        journal(JournalAction::LoginFailed, 0, 0, detail);
        return a.heldUntil.isValid() ? Login::Held : Login::Wrong;
    }
    m_attempts.remove(name);
    if (!m_current.isEmpty() && m_current != name)
        logout();
    setCurrent(name);
    m_lastAction = now;
    journal(JournalAction::Login, 0, 0, QString());
    if (m_pending) {
        const std::function<void()> action = std::move(m_pending);
        m_pending = nullptr;
        action();
    }
    return Login::Accepted;
}

QDateTime OperatorSession::heldUntil(const QString& name) const
{
    const auto a = m_attempts.constFind(name);
    return a == m_attempts.cend() ? QDateTime() : a->heldUntil;
}

void OperatorSession::cancelLogin() { m_pending = nullptr; }

void OperatorSession::logout()
{
    if (m_current.isEmpty())
        return;
    journal(JournalAction::Logout, 0, 0, QString());
    setCurrent(QString());
}

void OperatorSession::checkIdle()
{
    if (m_current.isEmpty() || m_idleMinutes <= 0)
        return;
    if (m_lastAction.secsTo(m_clock.now()) < qint64(m_idleMinutes) * 60)
        return;
    journal(JournalAction::Logout, 0, 0, journal_texts::idleLogout());
    setCurrent(QString());
}

void OperatorSession::whenAllowed(std::function<void()> action)
{
    if (!loginRequired()) {
        action();
        return;
    }
    if (!m_current.isEmpty()) {
        m_lastAction = m_clock.now();
        action();
        return;
    }
    // The latest action the operator asked for is the one that waits.
    m_pending = std::move(action);
    emit loginRequested();
}

void OperatorSession::journal(JournalAction action, int object, int module, const QString& detail)
{
    // Whatever the operator does keeps the operator logged in (a silence, a
    // report, a print as much as a take).
    if (!m_current.isEmpty())
        m_lastAction = m_clock.now();
    m_journal.write(m_current, action, object, module, detail);
}

void OperatorSession::setCurrent(const QString& name)
{
    if (name == m_current)
        return;
    m_current = name;
    emit operatorChanged(name);
}

} // namespace zelvan

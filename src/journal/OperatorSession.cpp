#include "journal/OperatorSession.h"

#include "core/Clock.h"
#include "journal/Journal.h"
#include "journal/JournalTexts.h"

namespace zelvan {

namespace texts = journal_texts;

OperatorSession::OperatorSession(Journal& journal, const Clock& clock, LoginHolds& holds,
                                 int idleMinutes, QObject* parent)
    : QObject(parent), m_journal(journal), m_clock(clock), m_holds(holds),
      m_idleMinutes(qMax(0, idleMinutes))
{
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &OperatorSession::tick);
}

void OperatorSession::setOperators(const OperatorsFile::Read& read)
{
    const bool wasRequired = m_required;
    const QStringList names = operatorNames();
    const QString refused = m_fileRefusal;
    if (!read.exists) {
        // A file that was there and is gone leaves nobody sure of who may
        // act: it is not taken as "no operators" until the next start.
        m_fileRefusal = wasRequired ? texts::operatorsGone().arg(read.path) : QString();
        m_required = wasRequired;
        m_operators.clear();
    } else if (read.operators.isEmpty() && !read.problem.isEmpty()) {
        m_fileRefusal = read.problem + QLatin1Char(' ') + read.mend;
        m_required = true;
        m_operators.clear();
    } else {
        m_fileRefusal.clear();
        m_operators = read.operators;
        m_required = !m_operators.isEmpty();
    }
    if (!m_current.isEmpty() && !operatorNames().contains(m_current))
        logoutWith(texts::removedLogout());
    if (m_required && !m_timer.isActive())
        m_timer.start();
    else if (!m_required)
        m_timer.stop();
    checkHolds();
    if (wasRequired != m_required || names != operatorNames() || refused != m_fileRefusal)
        emit operatorsChanged();
}

QString OperatorSession::refusal() const
{
    if (!m_required)
        return QString();
    if (!m_fileRefusal.isEmpty())
        return m_fileRefusal;
    return m_holds.unreadable() ? m_holds.problem() : QString();
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
    if (!refusal().isEmpty()) {
        journal(JournalAction::LoginFailed, 0, 0, QStringLiteral("%1: refused").arg(name));
        return Login::Refused;
    }
    const QDateTime now = m_clock.now();
    if (m_holds.held(name, now)) {
        journal(JournalAction::LoginFailed, 0, 0, QStringLiteral("%1: held").arg(name));
        return Login::Held;
    }
    const auto record = std::find_if(m_operators.cbegin(), m_operators.cend(),
                                     [&name](const OperatorRecord& o) { return o.name == name; });
    // An unknown name costs the same hash as a known one, and counts the same.
    const bool known = record != m_operators.cend();
    const bool good =
        OperatorsFile::verifyPin(known ? record->pinHash : m_operators.value(0).pinHash, pin)
        && known;
    if (!good) {
        const LoginHolds::Entry e = m_holds.failed(name, now, known);
        const bool heldNow = m_holds.held(name, now);
        QString detail = QStringLiteral("%1: wrong PIN %2 of %3")
                             .arg(name)
                             .arg(heldNow ? kMaxFailures : e.failures)
                             .arg(kMaxFailures);
        if (heldNow)
            detail += QStringLiteral(", held for %1 min").arg(LoginHolds::holdMinutes(e.holds));
        journal(JournalAction::LoginFailed, 0, 0, detail);
        checkHolds();
        return heldNow ? Login::Held : Login::Wrong;
    }
    m_holds.succeeded(name);
    checkHolds();
    if (!m_current.isEmpty() && m_current != name)
        logout();
    setCurrent(name);
    m_lastAction = now;
    journal(JournalAction::Login, 0, 0, QString());
    if (m_pending) {
        const std::function<void()> action = std::move(m_pending->action);
        m_pending.reset();
        action();
    }
    return Login::Accepted;
}

QDateTime OperatorSession::heldUntil(const QString& name) const
{
    return m_holds.entry(name).heldUntil;
}

QString OperatorSession::holdsProblem() const
{
    QStringList lines;
    for (const auto& [name, until] : m_holds.heldNames(m_clock.now()))
        lines << texts::nameHeldLine().arg(name,
                                           until.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
    if (!m_holds.problem().isEmpty())
        lines << m_holds.problem();
    return lines.join(QLatin1Char('\n'));
}

void OperatorSession::cancelLogin() { dropPending(texts::gaveUpCancelled()); }

void OperatorSession::logout()
{
    if (m_current.isEmpty())
        return;
    logoutWith(QString());
}

void OperatorSession::logoutWith(const QString& detail)
{
    journal(JournalAction::Logout, 0, 0, detail);
    setCurrent(QString());
}

void OperatorSession::tick()
{
    const QDateTime now = m_clock.now();
    if (m_pending && m_pending->askedAt.secsTo(now) >= kPendingSeconds)
        dropPending(texts::gaveUpTimeout().arg(kPendingSeconds));
    if (!m_current.isEmpty() && m_idleMinutes > 0
        && m_lastAction.secsTo(now) >= qint64(m_idleMinutes) * 60)
        logoutWith(texts::idleLogout());
    checkHolds();
}

void OperatorSession::checkHolds()
{
    const QString text = holdsProblem();
    if (text == m_heldText)
        return;
    m_heldText = text;
    emit holdsChanged();
}

void OperatorSession::whenAllowed(const ActionRequest& request, std::function<void()> action)
{
    if (const QString here = m_lineRefusal ? m_lineRefusal(request) : QString(); !here.isEmpty()) {
        journal(JournalAction::Refused, request.object, request.module,
                journalActionName(request.action) + QStringLiteral(": ") + here);
        emit lineRefused(here);
        return;
    }
    if (!m_required) {
        action();
        return;
    }
    const QString why = refusal();
    if (!why.isEmpty()) {
        journal(JournalAction::Refused, request.object, request.module,
                journalActionName(request.action) + QStringLiteral(": ") + why);
        emit actionRefused(texts::actionRefused().arg(request.text, why));
        return;
    }
    if (!m_current.isEmpty()) {
        m_lastAction = m_clock.now();
        action();
        return;
    }
    // The latest action the operator asked for is the one that waits.
    dropPending(texts::gaveUpReplaced());
    m_pending = Pending{request, std::move(action), m_clock.now()};
    emit loginRequested();
}

void OperatorSession::dropPending(const QString& why)
{
    if (!m_pending)
        return;
    const ActionRequest request = m_pending->request;
    m_pending.reset();
    journal(JournalAction::GivenUp, request.object, request.module,
            journalActionName(request.action) + QStringLiteral(": ") + why);
    emit pendingDropped();
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

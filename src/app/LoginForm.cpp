#include "app/LoginForm.h"

#include "journal/JournalTexts.h"
#include "journal/OperatorSession.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace zelvan {

namespace {
constexpr int kMinimumWidth = 420;
} // namespace

LoginForm::LoginForm(OperatorSession& session, QWidget* parent)
    : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("LoginForm"));
    setWindowTitle(journal_texts::loginTitle());
    setModal(false);
    // Wide enough for a refusal's reason and its mend on a few lines.
    setMinimumWidth(kMinimumWidth);
    auto* form = new QFormLayout(this);
    m_action = new QLabel;
    m_action->setObjectName(QStringLiteral("LoginAction"));
    m_action->setWordWrap(true);
    form->addRow(m_action);
    m_name = new QComboBox;
    m_name->setObjectName(QStringLiteral("LoginName"));
    m_name->addItems(session.operatorNames());
    form->addRow(journal_texts::nameLabel(), m_name);
    m_pin = new QLineEdit;
    m_pin->setObjectName(QStringLiteral("LoginPin"));
    m_pin->setEchoMode(QLineEdit::Password);
    m_pin->setMaxLength(12);
    m_pin->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,12}")), m_pin));
    form->addRow(journal_texts::pinLabel(), m_pin);
    m_message = new QLabel;
    m_message->setObjectName(QStringLiteral("LoginMessage"));
    m_message->setStyleSheet(QStringLiteral("color: #a00000;"));
    m_message->setWordWrap(true);
    form->addRow(m_message);
    auto* row = new QHBoxLayout;
    m_login = new QPushButton(journal_texts::loginButton());
    m_login->setObjectName(QStringLiteral("LoginAccept"));
    m_login->setDefault(true);
    auto* cancel = new QPushButton(journal_texts::cancelButton());
    cancel->setObjectName(QStringLiteral("LoginCancel"));
    row->addStretch();
    row->addWidget(m_login);
    row->addWidget(cancel);
    form->addRow(row);
    // Enter in the PIN presses the default button: that is the one attempt
    // (the line's own returnPressed would make a second with the PIN cleared).
    connect(m_login, &QPushButton::clicked, this, &LoginForm::tryLogin);
    connect(&session, &OperatorSession::operatorsChanged, this, &LoginForm::showState);
    connect(cancel, &QPushButton::clicked, this, &LoginForm::reject);
}

QString LoginForm::message() const { return m_message->text(); }

QString LoginForm::actionText() const { return m_action->text(); }

// The names as the operators file has them now, the action that waits, and
// whether a PIN can be taken at all.
void LoginForm::showState()
{
    const QStringList names = m_session.operatorNames();
    QStringList shown;
    for (int i = 0; i < m_name->count(); ++i)
        shown << m_name->itemText(i);
    if (shown != names) {
        const QString current = m_name->currentText();
        m_name->clear();
        m_name->addItems(names);
        m_name->setCurrentIndex(qMax(0, names.indexOf(current)));
    }
    const QString waiting = m_session.pendingText();
    if (!waiting.isEmpty())
        m_lastAction = waiting;
    m_action->setText(waiting.isEmpty() ? QString() : journal_texts::actionWaits().arg(waiting));
    m_action->setVisible(!waiting.isEmpty());
    const QString refusal = m_session.refusal();
    const bool open = refusal.isEmpty();
    m_name->setEnabled(open);
    m_pin->setEnabled(open);
    m_login->setEnabled(open);
    if (!open)
        m_message->setText(refusal);
    adjustSize();
}

void LoginForm::ask()
{
    m_pin->clear();
    m_message->clear();
    showState();
    show();
    raise();
    activateWindow();
    m_pin->setFocus();
}

void LoginForm::showRefusal(const QString& text)
{
    ask();
    m_message->setText(text);
    adjustSize();
}

void LoginForm::showGivenUp()
{
    showState();
    if (!m_lastAction.isEmpty())
        m_message->setText(
            journal_texts::actionGivenUp().arg(m_lastAction).arg(OperatorSession::kPendingSeconds));
}

void LoginForm::tryLogin()
{
    const QString name = m_name->currentText();
    const QString pin = m_pin->text();
    m_pin->clear();
    switch (m_session.login(name, pin)) {
    case OperatorSession::Login::Accepted:
        m_message->clear();
        hide();
        return;
    case OperatorSession::Login::Wrong:
        m_message->setText(journal_texts::wrongPin());
        break;
    case OperatorSession::Login::Held:
        m_message->setText(journal_texts::nameHeld().arg(
            m_session.heldUntil(name).toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))));
        break;
    case OperatorSession::Login::Refused:
        m_message->setText(m_session.refusal());
        break;
    }
    m_pin->setFocus();
}

// The close box and "Отказ": the waiting action is given up.
void LoginForm::reject()
{
    m_session.cancelLogin();
    m_pin->clear();
    QDialog::reject();
}

} // namespace zelvan

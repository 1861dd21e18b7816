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

LoginForm::LoginForm(OperatorSession& session, QWidget* parent)
    : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("LoginForm"));
    setWindowTitle(journal_texts::loginTitle());
    setModal(false);
    auto* form = new QFormLayout(this);
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
    connect(m_login, &QPushButton::clicked, this, &LoginForm::tryLogin);
    connect(m_pin, &QLineEdit::returnPressed, this, &LoginForm::tryLogin);
    connect(cancel, &QPushButton::clicked, this, &LoginForm::reject);
}

QString LoginForm::message() const { return m_message->text(); }

void LoginForm::ask()
{
    m_pin->clear();
    m_message->clear();
    show();
    raise();
    activateWindow();
    m_pin->setFocus();
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
            m_session.heldUntil(name).toString(QStringLiteral("HH:mm:ss"))));
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

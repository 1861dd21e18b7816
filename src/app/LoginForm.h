#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zelvan {

class OperatorSession;

// The log-in dialog: the action that waits, the operator's name and PIN.
// Not modal: the violations window, its "Тишина" and every list stay in reach
// while it is open. A good log-in closes it and the waiting action goes on;
// closing it gives the action up. Enter and the button each make one
// attempt. Where nobody can log in it says why, and takes no PIN.
class LoginForm : public QDialog
{
    Q_OBJECT
public:
    explicit LoginForm(OperatorSession& session, QWidget* parent = nullptr);

    QComboBox* nameBox() const { return m_name; }
    QLineEdit* pinEdit() const { return m_pin; }
    QPushButton* loginButton() const { return m_login; }
    // The line of the action that waits ("Чака вход: Поемане на обект 3-005").
    QString actionText() const;
    // Why the last log-in was not accepted; empty after a good one.
    QString message() const;

    // Shows the dialog afresh: the PIN empty, the last name kept.
    void ask();
    // An action was refused: the dialog shows why.
    void showRefusal(const QString& text);
    // The waiting action was given up while the dialog is open.
    void showGivenUp();

protected:
    void reject() override;

private:
    void tryLogin();
    void showState();

    OperatorSession& m_session;
    QComboBox* m_name = nullptr;
    QLineEdit* m_pin = nullptr;
    QLabel* m_action = nullptr;
    QLabel* m_message = nullptr;
    QString m_lastAction; // the waiting action shown, for the given-up line
    QPushButton* m_login = nullptr;
};

} // namespace zelvan

#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zelvan {

class OperatorSession;

// The log-in dialog: the operator's name and PIN. Not modal: the violations
// window, its "Тишина" and every list stay in reach while it is open. A good
// log-in closes it and the waiting action goes on; closing it gives the
// action up.
class LoginForm : public QDialog
{
    Q_OBJECT
public:
    explicit LoginForm(OperatorSession& session, QWidget* parent = nullptr);

    QComboBox* nameBox() const { return m_name; }
    QLineEdit* pinEdit() const { return m_pin; }
    QPushButton* loginButton() const { return m_login; }
    // Why the last log-in was not accepted; empty after a good one.
    QString message() const;

    // Shows the dialog afresh: the PIN empty, the last name kept.
    void ask();

protected:
    void reject() override;

private:
    void tryLogin();

    OperatorSession& m_session;
    QComboBox* m_name = nullptr;
    QLineEdit* m_pin = nullptr;
    QLabel* m_message = nullptr;
    QPushButton* m_login = nullptr;
};

} // namespace zelvan

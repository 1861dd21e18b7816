#pragma once

#include <QWidget>

namespace zelvan {

class ScreenState;

// A resizable tool window whose visibility is one of ScreenState's flags: it
// shows and hides itself when the flag changes, and its close box only clears
// the flag (the window and its contents stay for the rest of the program).
class ToolWindowForm : public QWidget
{
    Q_OBJECT
public:
    using Getter = bool (ScreenState::*)() const;
    using Setter = void (ScreenState::*)(bool);

    ToolWindowForm(ScreenState& screen, Getter shown, Setter setShown, const QString& caption,
                   QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;
    ScreenState& screen() const { return m_screen; }
    // Shows or hides the window as the flag says; called by the derived window
    // once its controls exist, and on every change of ScreenState.
    void followScreen();

private:
    ScreenState& m_screen;
    Getter m_shown;
    Setter m_setShown;
};

} // namespace zelvan

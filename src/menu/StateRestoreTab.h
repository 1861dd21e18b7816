#pragma once

#include "menu/MenuTabForm.h"

#include <array>

class QProgressBar;
class QPushButton;

namespace zelvan {

class MenuSession;

// "Възстановяване": one button Command8 per module showing when its link was
// lost, which sends the module's saved guard state back, and the progress of
// that restore in ProgressBar1.
class StateRestoreTab : public MenuTabForm
{
    Q_OBJECT
public:
    explicit StateRestoreTab(MenuSession& session, QWidget* parent = nullptr);

signals:
    // A restore button was pressed; it may be disabled while the restore runs,
    // so the window takes the keyboard first.
    void restoreStarting();

private:
    void showRestore();

    MenuSession& m_session;
    std::array<QPushButton*, 8> Command8{};
    QProgressBar* ProgressBar1 = nullptr;
};

} // namespace zelvan

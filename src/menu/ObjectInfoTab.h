#pragma once

#include "menu/MenuTabForm.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zelvan {

class MenuSession;
class PrintSink;

// "Обекти информация": the current object's caption Label7 and its free-text
// information Text3, saved with "Запис" and printed with "Печат".
class ObjectInfoTab : public MenuTabForm
{
    Q_OBJECT
public:
    ObjectInfoTab(MenuSession& session, PrintSink& sink, QWidget* parent = nullptr);

    // The information text takes the keyboard.
    void focusText();

private:
    void showCurrentObject();

    MenuSession& m_session;
    PrintSink& m_sink;
    bool m_syncing = false;
    QLabel* Label7 = nullptr;
    QPlainTextEdit* Text3 = nullptr;
    QPushButton* m_save = nullptr; // Command4
};

} // namespace zelvan

#pragma once

#include "menu/MenuTabForm.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QListWidget;

namespace zelvan {

class MenuSession;
class PrintSink;

// "Обекти списък": the names register. The list List2 makes an object current,
// its name is edited in Text2 and saved with "Запис"; "Печат" prints the named
// objects; a double click goes on to the object's information.
class NamesTab : public MenuTabForm
{
    Q_OBJECT
public:
    NamesTab(MenuSession& session, PrintSink& sink, QWidget* parent = nullptr);

signals:
    // A double click has opened the current object's information.
    void informationOpened();

private:
    void showCurrentObject();

    MenuSession& m_session;
    PrintSink& m_sink;
    bool m_syncing = false;
    QListWidget* List2 = nullptr;
    QLabel* Label12 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* m_save = nullptr; // Command3
    QLabel* m_notice = nullptr;    // Name.dat could not be read
};

} // namespace zelvan

#pragma once

#include "menu/MenuSession.h"
#include "menu/MenuTabForm.h"

#include <QWidget>
#include <memory>

class QLabel;
class QTabWidget;

namespace zelvan {

class PrintSink;
class ObjectInfoTab;

// "Меню": the operator's tabbed menu window. Created each time the main
// panel's menu button is pressed, not modal, and deleted when it is closed
// (through "Изход от менюто" or the close box), saving changed options first.
// Every rule lives in MenuSession and its tab models; each tab of SSTab1 is a
// form of its own that draws them, and this window hosts the tabs, shows the
// problems they report and places itself.
class MenuForm : public QWidget
{
    Q_OBJECT
public:
    // The session is opened here; the sink prints the window's documents (the
    // default printer, or a recording one in tests).
    MenuForm(std::unique_ptr<MenuSession> session, std::unique_ptr<PrintSink> sink,
             QWidget* parent = nullptr);
    ~MenuForm() override;

    MenuSession& session() { return *m_session; }
    // Where every tab asks for the path of a file it writes (the system's
    // save dialog unless told otherwise).
    void setSavePathChooser(const SavePathChooser& chooser);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void addTabs();
    void report(const QString& message);

    std::unique_ptr<MenuSession> m_session;
    std::unique_ptr<PrintSink> m_sink;
    bool m_placed = false;

    QTabWidget* SSTab1 = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace zelvan

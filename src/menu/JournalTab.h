#pragma once

#include "menu/MenuTabForm.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QSpinBox;
class QTreeWidget;

namespace zelvan {

class JournalView;
class MenuSession;
class PrintSink;

// "Журнал": the operator's actions of a chosen day, newest last, filtered by
// operator and by object, with "Печат", "Преглед", "PDF" and "CSV".
class JournalTab : public MenuTabForm
{
    Q_OBJECT
public:
    JournalTab(MenuSession& session, PrintSink& sink, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showJournal();
    void exportCsv();

    MenuSession& m_session;
    JournalView& m_view;
    QDateEdit* m_day = nullptr;
    QComboBox* m_operator = nullptr;
    QSpinBox* m_object = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_notice = nullptr;
    bool m_showing = false;
};

} // namespace zelvan

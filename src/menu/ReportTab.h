#pragma once

#include "menu/MenuTabForm.h"

class QPlainTextEdit;
class QPushButton;

namespace zelvan {

class MenuSession;
class PrintSink;

// "Архив данни": the last archive report in Text1 and its "Печат".
class ReportTab : public MenuTabForm
{
    Q_OBJECT
public:
    ReportTab(MenuSession& session, PrintSink& sink, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MenuSession& m_session;
    PrintSink& m_sink;
    QPlainTextEdit* Text1 = nullptr;
    QPushButton* Command2 = nullptr;
};

} // namespace zelvan

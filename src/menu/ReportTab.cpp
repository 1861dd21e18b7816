#include "menu/ReportTab.h"

#include "menu/MenuSession.h"
#include "menu/MenuTexts.h"
#include "menu/PrintJob.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvan {

ReportTab::ReportTab(MenuSession& session, PrintSink& sink, QWidget* parent)
    : MenuTabForm(parent), m_session(session), m_sink(sink)
{
    auto* layout = new QVBoxLayout(this);
    Text1 = named(new QPlainTextEdit, QStringLiteral("Text1"));
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setPlainText(m_session.reportText());
    layout->addWidget(Text1, 1);
    Command2 = button(menu_texts::kPrint, "Command2");
    layout->addWidget(Command2, 0, Qt::AlignRight);
    // Releasing the mouse over the report hands the focus to its print button.
    Text1->viewport()->installEventFilter(this);

    connect(&m_session, &MenuSession::reportChanged, this,
            [this] { Text1->setPlainText(m_session.reportText()); });
    connect(Command2, &QPushButton::clicked, this, [this] {
        reportPrint(printReport(m_sink, m_session.options().printerFont(), Text1->toPlainText()));
    });
}

bool ReportTab::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Text1->viewport() && event->type() == QEvent::MouseButtonRelease)
        Command2->setFocus();
    return MenuTabForm::eventFilter(watched, event);
}

} // namespace zelvan

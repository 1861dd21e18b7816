#include "windows/ToolWindowForm.h"

#include "core/ScreenState.h"

#include <QCloseEvent>

namespace zelvan {

ToolWindowForm::ToolWindowForm(ScreenState& screen, Getter shown, Setter setShown,
                               const QString& caption, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_screen(screen), m_shown(shown), m_setShown(setShown)
{
    setWindowTitle(caption);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    connect(&m_screen, &ScreenState::changed, this, &ToolWindowForm::followScreen);
}

void ToolWindowForm::followScreen()
{
    const bool wanted = (m_screen.*m_shown)();
    if (wanted != isVisible())
        setVisible(wanted);
}

void ToolWindowForm::closeEvent(QCloseEvent* event)
{
    event->ignore();
    (m_screen.*m_setShown)(false);
    hide();
}

} // namespace zelvan

#include "windows/KeypadForm.h"

#include "core/ScreenState.h"
#include "windows/KeypadModel.h"
#include "windows/WindowLayout.h"
#include "windows/WindowTexts.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>

namespace zelvan {

KeypadForm::KeypadForm(ScreenState& screen, KeypadModel& model, QWidget* mainWindow,
                       QWidget* parent)
    : ToolWindowForm(screen, &ScreenState::keypadVisible, &ScreenState::setKeypadVisible,
                     windowtexts::keypadCaption(), parent),
      m_model(model), m_mainWindow(mainWindow), m_log(new QPlainTextEdit(this)),
      m_entry(new QLineEdit(this))
{
    setObjectName(QStringLiteral("KeypadForm"));
    m_log->setObjectName(QStringLiteral("Text2"));
    m_log->setReadOnly(true);
    m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_log->setFocusPolicy(Qt::NoFocus);
    QPalette pal = m_log->palette();
    pal.setColor(QPalette::Base, QColor(192, 192, 192));
    m_log->setPalette(pal);
    m_entry->setObjectName(QStringLiteral("Text1"));
    m_entry->setMaxLength(KeypadModel::kEntryMaxLength);
    m_entry->installEventFilter(this);

    connect(&m_model, &KeypadModel::logChanged, this, &KeypadForm::showLog);
    resize(layout::toPixels(2700), layout::toPixels(3300));
    applyLayout();
    showLog();
    followScreen();
}

void KeypadForm::placeBeside(const QWidget& mainWindow)
{
    const QRect main = mainWindow.frameGeometry();
    const QRect twips(layout::toTwips(main.x()), layout::toTwips(main.y()),
                      layout::toTwips(main.width()), layout::toTwips(main.height()));
    const QPoint at = layout::keypadPosition(twips, layout::toTwips(frameGeometry().height()));
    move(layout::toPixels(at.x()), layout::toPixels(at.y()));
}

void KeypadForm::showEvent(QShowEvent* event)
{
    if (!m_placed && m_mainWindow) {
        placeBeside(*m_mainWindow);
        m_placed = true;
    }
    ToolWindowForm::showEvent(event);
}

void KeypadForm::resizeEvent(QResizeEvent* event)
{
    ToolWindowForm::resizeEvent(event);
    applyLayout();
}

void KeypadForm::applyLayout()
{
    const auto area = layout::keypadArea(layout::toTwips(width()), layout::toTwips(height()));
    if (!area)
        return;
    m_log->setGeometry(layout::toPixels(area->log));
    m_entry->setGeometry(layout::toPixels(area->entry));
    m_log->verticalScrollBar()->setValue(m_log->verticalScrollBar()->maximum());
}

void KeypadForm::showLog()
{
    QString text = m_model.log();
    text.replace(windowtexts::crlf(), QStringLiteral("\n"));
    m_log->setPlainText(text);
    m_log->moveCursor(QTextCursor::End);
    m_log->ensureCursorVisible();
}

bool KeypadForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_entry && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter is taken here: the entry line never receives it.
            m_model.enter(m_entry->text());
            m_entry->clear();
            return true;
        }
    }
    return ToolWindowForm::eventFilter(watched, event);
}

} // namespace zelvan

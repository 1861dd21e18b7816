#include "windows/TipForm.h"

#include <QEvent>
#include <QLabel>

namespace zelvan {

TipForm::TipForm(const QString& name, QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint), m_label(new QLabel(this))
{
    setObjectName(name);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setAutoFillBackground(true);
    QPalette pal = m_label->palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 128));
    pal.setColor(QPalette::WindowText, Qt::black);
    m_label->setPalette(pal);
    m_label->setTextFormat(Qt::PlainText);
    m_label->installEventFilter(this);
}

void TipForm::showText(const QString& text, const QPoint& topLeft)
{
    m_label->setText(text);
    m_label->adjustSize();
    m_label->move(0, 0);
    resize(m_label->size());
    move(topLeft);
    show();
}

bool TipForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_label && event->type() == QEvent::MouseButtonRelease)
        hide();
    return QWidget::eventFilter(watched, event);
}

} // namespace zelvan

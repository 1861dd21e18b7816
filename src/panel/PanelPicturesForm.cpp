#include "panel/PanelPicturesForm.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QToolTip>
#include <array>

namespace zelvan {

namespace {
const QColor kDigitBack(128, 128, 128);
const QColor kDigitLit(255, 255, 0);
const QColor kDigitDark(116, 116, 108);
const QColor kBarBack(255, 255, 255);

// Segments a..g: top, upper right, lower right, bottom, lower left, upper left, middle.
constexpr std::array<quint8, 10> kSegments{0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                           0x6D, 0x7D, 0x07, 0x7F, 0x6F};

QString indexedName(const QString& name, int index)
{
    return QStringLiteral("%1(%2)").arg(name).arg(index);
}

void paintSunkenEdge(QPainter& painter, const QRect& rect)
{
    painter.setPen(QColor(128, 128, 128));
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(QColor(255, 255, 255));
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
}

void paintBar(QPainter& painter, const QRect& rect, const QColor& color)
{
    painter.fillRect(rect, color);
    paintSunkenEdge(painter, rect);
}
} // namespace

QColor panelColor(qint32 value)
{
    const quint32 v = quint32(value);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

void paintSegmentDigit(QPainter& painter, const QRect& rect, int digit)
{
    painter.fillRect(rect, kDigitBack);
    const quint8 lit = digit >= 0 && digit <= 9 ? kSegments[size_t(digit)] : 0;
    const qreal w = rect.width();
    const qreal h = rect.height();
    const qreal t = qMax<qreal>(2.0, w / 6.0); // segment thickness
    const qreal m = qMax<qreal>(1.5, w / 8.0); // margin
    const qreal left = rect.left() + m;
    const qreal right = rect.left() + w - m;
    const qreal top = rect.top() + m;
    const qreal bottom = rect.top() + h - m;
    const qreal mid = rect.top() + h / 2.0;
    // Each segment as a rectangle; the gaps at the corners keep them apart.
    const qreal g = 1.0;
    const std::array<QRectF, 7> segments{
        QRectF(left + t / 2 + g, top, right - left - t - 2 * g, t),          // a
        QRectF(right - t, top + t / 2 + g, t, mid - top - t / 2 - 2 * g),    // b
        QRectF(right - t, mid + g, t, bottom - mid - t / 2 - 2 * g),         // c
        QRectF(left + t / 2 + g, bottom - t, right - left - t - 2 * g, t),   // d
        QRectF(left, mid + g, t, bottom - mid - t / 2 - 2 * g),              // e
        QRectF(left, top + t / 2 + g, t, mid - top - t / 2 - 2 * g),         // f
        QRectF(left + t / 2 + g, mid - t / 2, right - left - t - 2 * g, t)}; // g
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    for (size_t s = 0; s < segments.size(); ++s) {
        painter.setBrush((lit >> s) & 1 ? kDigitLit : kDigitDark);
        painter.drawRoundedRect(segments[s], t / 3, t / 3);
    }
    painter.restore();
}

void paintStateBar(QPainter& painter, const QRect& rect, int state)
{
    static const std::array<QColor, 4> colors{QColor(192, 192, 192), QColor(0, 192, 0),
                                              QColor(255, 0, 0), QColor(255, 255, 0)};
    paintBar(painter, rect, state >= 0 && state <= 3 ? colors[size_t(state)] : colors[0]);
}

void paintRibbonMarker(QPainter& painter, const QRect& rect, int marker)
{
    paintBar(painter, rect, marker == 1 ? QColor(255, 0, 0) : QColor(192, 192, 192));
}

SegmentDigit::SegmentDigit(const QString& name, QSize size, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
    setAccessibleName(name);
    setFixedSize(size);
}

void SegmentDigit::setDigit(int digit)
{
    if (digit == m_digit)
        return;
    m_digit = digit;
    update();
}

void SegmentDigit::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintSegmentDigit(painter, rect(), m_digit);
}

FillBar::FillBar(const QString& name, QSize size, Direction direction, QWidget* parent)
    : QWidget(parent), m_direction(direction), m_color(0, 0, 255)
{
    setObjectName(name);
    setAccessibleName(name);
    setFixedSize(size);
}

void FillBar::setFill(int percent)
{
    percent = qBound(0, percent, 100);
    if (percent == m_fill)
        return;
    m_fill = percent;
    update();
}

void FillBar::setFillColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void FillBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(inner, kBarBack);
    const int width = inner.width() * m_fill / 100;
    QRect filled(inner.left(), inner.top(), width, inner.height());
    if (m_direction == Direction::FromRight)
        filled.moveRight(inner.right());
    painter.fillRect(filled, m_color);
    paintSunkenEdge(painter, rect().adjusted(0, 0, -1, -1));
}

void FillBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        emit pressed();
}

void FillBar::mouseReleaseEvent(QMouseEvent*) { emit released(); }

ObjectButton::ObjectButton(int index, QWidget* parent) : QPushButton(parent), m_index(index)
{
    // The caption (the object number) is the button's accessible name; the
    // control name with its index describes it.
    setObjectName(QStringLiteral("Command3D1"));
    setAccessibleDescription(indexedName(QStringLiteral("Command3D1"), index));
    setProperty("index", index);
    setFocusPolicy(Qt::NoFocus);
    setEnabled(false);
}

void ObjectButton::display(int picture, const QColor& color, bool enabled, const QString& caption)
{
    m_picture = picture;
    m_color = color;
    setEnabled(enabled);
    setText(caption);
    update();
}

bool ObjectButton::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && m_tipSource) {
        const auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(), m_tipSource(m_index), this);
        return true;
    }
    return QPushButton::event(event);
}

void ObjectButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    const QRect bar((width() - 29) / 2, 5, 29, 12);
    paintStateBar(painter, bar, m_picture);
    painter.setPen(isEnabled() ? m_color
                               : palette().color(QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(QRect(0, 18, width(), height() - 20), Qt::AlignCenter, text());
}

void ObjectButton::mousePressEvent(QMouseEvent* event)
{
    QPushButton::mousePressEvent(event);
    event->accept();
    int button = 4;
    if (event->button() == Qt::LeftButton)
        button = 1;
    else if (event->button() == Qt::RightButton)
        button = 2;
    const Qt::KeyboardModifiers mods = event->modifiers();
    const int shift = (mods & Qt::ShiftModifier ? 1 : 0) + (mods & Qt::ControlModifier ? 2 : 0)
                      + (mods & Qt::AltModifier ? 4 : 0);
    emit objectPressed(m_index, button, shift);
}

void ObjectButton::mouseReleaseEvent(QMouseEvent* event)
{
    QPushButton::mouseReleaseEvent(event);
    event->accept();
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        emit objectReleased(m_index);
}

// Qt's default turns the second press of a double-click into one more press:
// a second take-or-release command, a second colour step. The button only
// goes down; the click that began it has been reported.
void ObjectButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    QPushButton::mousePressEvent(event);
    event->accept();
}

RibbonButton::RibbonButton(int index, QWidget* parent) : QPushButton(parent), m_index(index)
{
    setObjectName(QStringLiteral("GroupPush3D1"));
    setAccessibleName(indexedName(QStringLiteral("GroupPush3D1"), index));
    setProperty("index", index);
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
}

void RibbonButton::setMarker(int marker)
{
    if (marker == m_marker)
        return;
    m_marker = marker;
    update();
}

void RibbonButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    const int shift = isChecked() ? 1 : 0;
    const QRect marker((width() - 25) / 2 + shift, (height() - 8) / 2 + shift, 25, 8);
    paintRibbonMarker(painter, marker, m_marker);
}

} // namespace zelvan

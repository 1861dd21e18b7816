#pragma once

#include <QColor>
#include <QPushButton>
#include <QWidget>
#include <functional>

class QPainter;

// The pictures of the main window, drawn with QPainter: seven-segment digits,
// the state bars of the object buttons, the alarm markers of the page ribbons,
// and the bars of the gauges; with the small controls that show them.
namespace zelvan {

// A colour value of the system (red in the low byte) as a QColor.
QColor panelColor(qint32 value);

// Image1 / Image2: a yellow seven-segment digit on gray filling rect.
void paintSegmentDigit(QPainter& painter, const QRect& rect, int digit);
// Image4(state): a 29 x 12 bar with a sunken edge: gray, green, red, yellow.
void paintStateBar(QPainter& painter, const QRect& rect, int state);
// Image3(marker): a 25 x 8 bar: gray, or red for a page with a violation.
void paintRibbonMarker(QPainter& painter, const QRect& rect, int marker);

// A seven-segment digit picture (Picture1..Picture5).
class SegmentDigit : public QWidget
{
    Q_OBJECT
public:
    SegmentDigit(const QString& name, QSize size, QWidget* parent);
    void setDigit(int digit);
    int digit() const { return m_digit; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_digit = 0;
};

// A sunken bar filled to a percentage (the balance gauge and the zone bars).
class FillBar : public QWidget
{
    Q_OBJECT
public:
    enum class Direction
    {
        FromLeft,
        FromRight
    };
    FillBar(const QString& name, QSize size, Direction direction, QWidget* parent);
    void setFill(int percent);
    void setFillColor(const QColor& color);
    int fill() const { return m_fill; }
    QColor fillColor() const { return m_color; }

signals:
    void pressed();
    void released();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Direction m_direction;
    int m_fill = 0;
    QColor m_color;
};

// One object button of the grid: caption in the marker colour under the state bar.
// Every press is reported, with its Shift and Ctrl / Alt state; the second
// press of a double-click is not a press of its own (one command per click).
// The release of the left or right button is reported; the release of another
// button is not, so a middle click does not end a measurement held on the right.
class ObjectButton : public QPushButton
{
    Q_OBJECT
public:
    ObjectButton(int index, QWidget* parent);
    int index() const { return m_index; }
    void display(int picture, const QColor& color, bool enabled, const QString& caption);
    int picture() const { return m_picture; }
    QColor markerColor() const { return m_color; }
    // Supplies the tooltip text at the moment it is shown.
    void setToolTipSource(std::function<QString(int)> source) { m_tipSource = std::move(source); }

signals:
    // button 1 = left, 2 = right, 4 = middle (or any other); shift: 1 Shift,
    // 2 Ctrl, 4 Alt, added up.
    void objectPressed(int index, int button, int shift);
    void objectReleased(int index);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    int m_index;
    int m_picture = 0;
    QColor m_color;
    std::function<QString(int)> m_tipSource;
};

// One page ribbon: a checkable button that shows the page's alarm marker.
class RibbonButton : public QPushButton
{
    Q_OBJECT
public:
    RibbonButton(int index, QWidget* parent);
    int index() const { return m_index; }
    void setMarker(int marker);
    int marker() const { return m_marker; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_index;
    int m_marker = 0;
};

} // namespace zelvan

#pragma once

#include <QWidget>

class QLabel;

namespace zelvan {

// A small caption-less window showing one line of a list in full: Label1, black
// on pale yellow, the window always the size of the label. A mouse release on
// the label hides it.
class TipForm : public QWidget
{
    Q_OBJECT
public:
    explicit TipForm(const QString& name, QWidget* parent = nullptr);

    // Sets the text, sizes the window to it, places it and shows it.
    void showText(const QString& text, const QPoint& topLeft);
    QLabel* label() const { return m_label; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_label;
};

// The tip of the violations window.
class AlarmTipForm : public TipForm
{
    Q_OBJECT
public:
    explicit AlarmTipForm(QWidget* parent = nullptr)
        : TipForm(QStringLiteral("AlarmTipForm"), parent)
    {
    }
};

// The tip of the events window.
class EventTipForm : public TipForm
{
    Q_OBJECT
public:
    explicit EventTipForm(QWidget* parent = nullptr)
        : TipForm(QStringLiteral("EventTipForm"), parent)
    {
    }
};

} // namespace zelvan

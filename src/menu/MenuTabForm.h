#pragma once

#include <QString>
#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;

namespace zelvan {

struct PrintOutcome;

// What every tab of the menu window shares: the naming of its controls, the
// buttons, the sunken panels and spin buttons it draws, and the status line it
// reports to. Each tab draws its own models of the menu session and passes the
// operator's actions on to them.
class MenuTabForm : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Controls of an array keep their name with the index in brackets.
    static QString indexed(const char* name, int i);
    template <typename W> static W* named(W* widget, const QString& name)
    {
        widget->setObjectName(name);
        return widget;
    }
    static QPushButton* button(const QString& caption, const char* name);
    // A label drawn as a sunken panel.
    static QLabel* sunken(QLabel* label);

signals:
    // A text for the window's status line; an empty one clears it.
    void operatorMessage(const QString& text);

protected:
    // A spin button: two arrows, "up" above "down", without a value of its own.
    QWidget* spinButton(const char* name, const std::function<void()>& up,
                        const std::function<void()>& down);
    // Tells the operator what became of a print command.
    void reportPrint(const PrintOutcome& outcome);
};

} // namespace zelvan

#pragma once

#include <QWidget>

class QLabel;

namespace zelvan {

class ScreenState;

// The window that names the modules whose link is interrupted. Shown, hidden
// and worded by the supervision tick; placed by the operator's desk.
class LinkLostForm : public QWidget
{
    Q_OBJECT
public:
    explicit LinkLostForm(ScreenState& screen, QWidget* parent = nullptr);

    QString text() const;

private:
    void refresh();

    ScreenState& m_screen;
    QLabel* m_panel;
};

} // namespace zelvan

#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace zelvan {

class ScreenState;

// The start-up window: what the exchange is doing (module, objects, version
// text) and its progress over the 24 dump lines. Shown and closed by the engine.
class SplashForm : public QWidget
{
    Q_OBJECT
public:
    explicit SplashForm(ScreenState& screen, QWidget* parent = nullptr);

private:
    void refresh();
    void placeOnScreen();

    ScreenState& m_screen;
    QLabel* m_label2;
    QLabel* m_label3;
    QLabel* m_label4;
    QProgressBar* m_progress;
};

} // namespace zelvan

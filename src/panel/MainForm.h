#pragma once

#include <QWidget>
#include <array>

class QButtonGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

namespace zelvan {

class MainPanelModel;
class ScreenState;
class ObjectButton;
class RibbonButton;
class SegmentDigit;
class FillBar;

// The main window: the grid of object buttons with the page ribbons, the
// module and object digits, the thresholds panel with its gauges, and the menu
// button. It draws the grid and panel models and turns the mouse into calls on them.
class MainForm : public QWidget
{
    Q_OBJECT
public:
    MainForm(MainPanelModel& panel, ScreenState& screen, QWidget* parent = nullptr);

    ObjectButton* objectButton(int i) const { return m_buttons[size_t(i)]; }
    RibbonButton* ribbon(int r) const { return m_ribbons[size_t(r)]; }
    QSlider* slider(int s) const { return m_sliders[size_t(s)]; }

    // Who is logged in and the log-in button, shown only where operators
    // log in: "Оператор: …" above, the button beside "Меню".
    void showOperator(const QString& line, const QString& button);
    // The pair's strip below the panel: which panel is active, and the
    // button that hands the line over or takes it (hidden when empty).
    void showPair(const QString& line, const QString& button);
    // Why the operator's last action was refused at this panel; empty: nothing.
    void showPairNotice(const QString& text);
    QLabel* pairLine() const { return m_pairLine; }
    QPushButton* pairButton() const { return m_pairButton; }
    QLabel* pairNotice() const { return m_pairNotice; }
    QLabel* operatorLabel() const { return m_operator; }
    QPushButton* operatorButton() const { return m_operatorButton; }

signals:
    // The "Меню" button was clicked.
    void menuRequested();
    // The log-in / log-out button was clicked.
    void operatorButtonClicked();
    void pairButtonClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildGrid();
    void buildSidePanel();
    void buildBottomStrip();
    void buildPairStrip();
    void showButton(int i);
    void showRibbon(int r);
    void showPage();
    void showPanel();
    void showScreen();

    ScreenState& m_screen;
    MainPanelModel& m_panel;
    bool m_syncing = false;

    QFrame* m_gridPanel = nullptr;   // Panel3D1
    QFrame* m_sidePanel = nullptr;   // Panel3D3
    QFrame* m_bottomPanel = nullptr; // Panel3D2
    std::array<ObjectButton*, 64> m_buttons{};
    std::array<RibbonButton*, 16> m_ribbons{};
    QButtonGroup* m_ribbonGroup = nullptr;
    std::array<QLabel*, 8> m_moduleLabels{};       // Label1
    SegmentDigit* m_systemDigit = nullptr;         // Picture5
    SegmentDigit* m_moduleDigit = nullptr;         // Picture1
    std::array<SegmentDigit*, 3> m_objectDigits{}; // Picture2..Picture4
    FillBar* m_gauge = nullptr;                    // Panel3D7
    std::array<FillBar*, 2> m_zoneBars{};          // Panel3D5, Panel3D6
    QGroupBox* m_frame = nullptr;                  // Frame3D1
    std::array<QLabel*, 3> m_sliderLabels{};       // Label4..Label6
    std::array<QSlider*, 3> m_sliders{};           // Slider1..Slider3
    QPushButton* m_apply = nullptr;                // Command3D3
    QPushButton* m_menu = nullptr;                 // Command3D2
    QLabel* m_operator = nullptr;
    QPushButton* m_operatorButton = nullptr;
    QLabel* m_pairLine = nullptr;
    QPushButton* m_pairButton = nullptr;
    QLabel* m_pairNotice = nullptr;
    bool m_pairShown = false;
    QLabel* m_problem = nullptr;
};

} // namespace zelvan

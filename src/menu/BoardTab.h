#pragma once

#include "menu/MenuTabForm.h"

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace zelvan {

class MenuSession;

// "Обекти конфигуриране": the subscriber board of the current object (its
// Kavel ID, direct pair, take/release period and the captions of its five
// signals), stored with "Подтвърждение" or left with "Отказ".
class BoardTab : public MenuTabForm
{
    Q_OBJECT
public:
    explicit BoardTab(MenuSession& session, QWidget* parent = nullptr);

private:
    QWidget* buildBoard();
    QWidget* buildSignals();
    void showBoard();

    MenuSession& m_session;
    QLabel* Label14 = nullptr;
    QComboBox* Combo1 = nullptr;
    QCheckBox* Check14 = nullptr;
    QSlider* Slider1 = nullptr;
    QLabel* Label18 = nullptr;
    std::array<QLineEdit*, 5> Text4{};
    QPushButton* m_confirm = nullptr; // Command9
    QLabel* m_notice = nullptr;       // Kavel.dat could not be read
};

} // namespace zelvan

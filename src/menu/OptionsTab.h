#pragma once

#include "menu/MenuTabForm.h"

#include <array>

class QCheckBox;
class QLabel;
class QListWidget;

namespace zelvan {

class MenuOptions;

// "Настройка": the window and sound options in Frame4 with "Изход от менюто",
// and the printer font in Frame5 (font List3, size List4, Bold, Italic) with
// its samples.
class OptionsTab : public MenuTabForm
{
    Q_OBJECT
public:
    // printerName is the default printer's, empty when none is installed.
    OptionsTab(MenuOptions& options, const QString& printerName, QWidget* parent = nullptr);

signals:
    // Command7 "Изход от менюто".
    void leaveRequested();

private:
    QWidget* buildOptions();
    QWidget* buildPrinter(const QString& printerName);
    void change(std::function<void(MenuOptions&)> apply);
    void showOptions();
    void showFontSamples();

    MenuOptions& m_options;
    std::array<QCheckBox*, 6> m_optionBoxes{}; // Check1..Check5, Check12
    QListWidget* List3 = nullptr;
    QListWidget* List4 = nullptr;
    QCheckBox* Check6 = nullptr;
    QCheckBox* Check7 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
};

} // namespace zelvan

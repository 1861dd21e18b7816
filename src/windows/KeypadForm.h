#pragma once

#include "windows/ToolWindowForm.h"

class QLineEdit;
class QPlainTextEdit;

namespace zelvan {

class ScreenState;
class KeypadModel;

// The keypad window, "Клавиатура": the log Text2 above the entry line Text1.
// Enter hands the entry to the keypad model and empties the line.
//
// Construction: KeypadForm(screen, model, mainWindow) with the station's
// screen state, the KeypadModel built on the main panel's model, and the main
// window, beside which the keypad places itself when first shown (may be null).
// Its visibility follows ScreenState::keypadVisible; the close box clears that
// flag and hides the window, keeping the log.
class KeypadForm : public ToolWindowForm
{
    Q_OBJECT
public:
    KeypadForm(ScreenState& screen, KeypadModel& model, QWidget* mainWindow = nullptr,
               QWidget* parent = nullptr);

    QLineEdit* entry() const { return m_entry; }
    QPlainTextEdit* log() const { return m_log; }

    // Left of the main window's right edge by 60 twips, bottom 60 twips above its bottom.
    void placeBeside(const QWidget& mainWindow);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyLayout();
    void showLog();

    KeypadModel& m_model;
    QWidget* m_mainWindow;
    QPlainTextEdit* m_log;
    QLineEdit* m_entry;
    bool m_placed = false;
};

} // namespace zelvan

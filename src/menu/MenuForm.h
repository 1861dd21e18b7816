#pragma once

#include "core/StationContext.h"
#include "menu/MenuSession.h"

#include <QWidget>
#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QTabWidget;

namespace zelvan {

class PrintSink;
class ZelvanIni;

// "Меню": the operator's tabbed menu window. Created each time the main
// panel's menu button is pressed, not modal, and deleted when it is closed
// (through "Изход от менюто" or the close box), saving changed options first.
// Every rule lives in MenuSession and its tab models; this window draws them
// and passes the operator's actions on.
class MenuForm : public QWidget
{
    Q_OBJECT
public:
    // Prints on the system's default printer, or into PDF files in the data
    // directory's reports folder when no printer is installed.
    MenuForm(StationContext ctx, ZelvanIni& ini, QWidget* parent = nullptr);
    // Prints through the given sink (tests pass a recording one).
    MenuForm(StationContext ctx, ZelvanIni& ini, std::unique_ptr<PrintSink> sink,
             QWidget* parent = nullptr);
    ~MenuForm() override;

    MenuSession& session() { return m_session; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildArchiveRequestTab();
    QWidget* buildObjectsListTab();
    QWidget* buildSettingsTab();
    QWidget* buildArchiveDataTab();
    QWidget* buildObjectsInformationTab();
    QWidget* buildInformationTab();
    QWidget* buildRestoreTab();
    QWidget* buildObjectsConfigurationTab();
    void connectSession();

    void showPeriod();
    void showOptions();
    void showFontSamples();
    void showCurrentObject();
    void showBoard();
    void showRestore();
    void applyModuleSelection(int moduleBox, bool on);
    void takeListSelection();
    void print(int what);
    void report(const QString& message);

    StationContext m_ctx;
    std::unique_ptr<PrintSink> m_sink;
    MenuSession m_session;
    bool m_placed = false;
    bool m_syncing = false;

    QTabWidget* SSTab1 = nullptr;
    QLabel* m_status = nullptr;
    // Archive request.
    QListWidget* List1 = nullptr;
    std::array<QCheckBox*, 8> Check11{};
    std::array<QCheckBox*, 4> m_kindBoxes{}; // Check8, Check9, Check13, Check10
    std::array<QLabel*, 6> m_periodLabels{}; // Label1..Label6
    // Objects list and information.
    QListWidget* List2 = nullptr;
    QLabel* Label12 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLabel* Label7 = nullptr;
    QPlainTextEdit* Text3 = nullptr;
    // Settings.
    std::array<QCheckBox*, 6> m_optionBoxes{}; // Check1..Check5, Check12
    QListWidget* List3 = nullptr;
    QListWidget* List4 = nullptr;
    QCheckBox* Check6 = nullptr;
    QCheckBox* Check7 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    // Archive data.
    QPlainTextEdit* Text1 = nullptr;
    QPushButton* Command2 = nullptr;
    // Restore.
    std::array<QPushButton*, 8> Command8{};
    QProgressBar* ProgressBar1 = nullptr;
    // Board configuration.
    QLabel* Label14 = nullptr;
    QComboBox* Combo1 = nullptr;
    QCheckBox* Check14 = nullptr;
    QSlider* Slider1 = nullptr;
    QLabel* Label18 = nullptr;
    std::array<QLineEdit*, 5> Text4{};
};

} // namespace zelvan

#pragma once

#include "core/ZelvanIni.h"

#include <QObject>
#include <QStringList>
#include <array>
#include <optional>

namespace zelvan {

struct StationState;
class OperatorActions;
class ScreenState;
class OptionsFile;

// The settings tab: the six option boxes with their immediate effects, the
// printer font choice, and the SettingsChanged flag that decides whether
// zelvan.ini is rewritten when the operator leaves the tab or the window.
class MenuOptions : public QObject
{
    Q_OBJECT
public:
    // Positions of the options in [Options] and in the boxes Check1..Check5, Check12.
    enum Option
    {
        ShowAlarms,
        ShowEvents,
        PanelOnTop,
        AlarmSound,
        EventSound,
        ShowKeypad
    };
    static constexpr int kOptionCount = 6;

    MenuOptions(StationState& state, ScreenState& screen, OptionsFile& file,
                QObject* parent = nullptr);

    // Opening: the boxes from [Options] and the font choice from [FontPrinter]
    // (or the choice still waiting to be written there); SettingsChanged
    // cleared. The font names must be offered first.
    void load();

    // List3: the printer's font names (empty without a printer); the first is selected.
    void setFontNames(const QStringList& names);
    const QStringList& fontNames() const { return m_fontNames; }
    // List4: the seven sizes.
    static const QStringList& fontSizes();

    // What box i shows. The three window boxes show whether their window is
    // shown now (once the main window is up): a window hidden with its close
    // box reads as off, one shown again by a new violation as on.
    bool option(int i) const;
    // The value of option i as it is written into [Options]: the operator's
    // choice in the menu (or the stored one), never a close box.
    bool storedOption(int i) const;
    // A click on an option box: stored in its shared value at once, the windows
    // it controls shown or hidden, SettingsChanged set.
    void setOption(int i, bool on);

    int fontIndex() const { return m_fontIndex; } // -1 when List3 is empty
    int sizeIndex() const { return m_sizeIndex; }
    bool bold() const { return m_font.bold; }
    bool italic() const { return m_font.italic; }
    void selectFont(int index);
    void selectSize(int index);
    void setBold(bool on);
    void setItalic(bool on);
    // The chosen printer font: name, size, bold, italic.
    PrinterFont printerFont() const { return m_font; }

    bool settingsChanged() const { return m_changed; }
    // SaveMenuOptions when something changed, then the flag is cleared. False
    // when the rewrite of zelvan.ini failed: the options file keeps the choice,
    // shows the problem and writes it at a later supervision tick.
    bool saveIfChanged();
    // Where the operator's changes are journaled.
    void setOperatorActions(OperatorActions* actions) { m_operator = actions; }

signals:
    void changed();
    void saveFailed(const QString& path);

private:
    void markChanged();
    // A change of the operator's, journaled.
    void noteChange(const QString& option, const QString& old, const QString& now);
    void followWindows();
    std::array<bool, 3> windowsShown() const;
    // Whether the window of option i is shown now; nothing when i names no
    // window or the main window was not shown yet.
    std::optional<bool> windowShown(int i) const;
    static int indexOrLast(const QStringList& list, const QString& wanted);

    StationState& m_state;
    ScreenState& m_screen;
    OptionsFile& m_file;
    std::array<qint16, kOptionCount> m_options{};
    std::array<bool, 3> m_windowsShown{};
    QStringList m_fontNames;
    int m_fontIndex = -1;
    int m_sizeIndex = 0;
    PrinterFont m_font;
    bool m_changed = false;
    OperatorActions* m_operator = nullptr;
};

} // namespace zelvan

#include "menu/MenuOptions.h"

#include "core/NumericText.h"
#include "core/OperatorActions.h"
#include "core/OptionsFile.h"
#include "core/ScreenState.h"
#include "core/StationState.h"
#include "menu/MenuTexts.h"

namespace zelvan {

MenuOptions::MenuOptions(StationState& state, ScreenState& screen, OptionsFile& file,
                         QObject* parent)
    : QObject(parent), m_state(state), m_screen(screen), m_file(file)
{
    m_font.size = fontSizes().first().toInt();
    connect(&m_screen, &ScreenState::changed, this, &MenuOptions::followWindows);
}

// A window closed with its close box, or shown again by a new violation, is
// shown so in its box; the choice stored for the next start stays the one
// made in the menu.
void MenuOptions::followWindows()
{
    const std::array<bool, 3> shown = windowsShown();
    if (shown == m_windowsShown)
        return;
    m_windowsShown = shown;
    emit changed();
}

std::array<bool, 3> MenuOptions::windowsShown() const
{
    return {m_screen.alarmsVisible(), m_screen.eventsVisible(), m_screen.keypadVisible()};
}

std::optional<bool> MenuOptions::windowShown(int i) const
{
    // Before the main window is first shown every window waits hidden,
    // whatever its option: the box shows the option.
    if (!m_screen.mainVisible())
        return std::nullopt;
    switch (i) {
    case ShowAlarms:
        return m_screen.alarmsVisible();
    case ShowEvents:
        return m_screen.eventsVisible();
    case ShowKeypad:
        return m_screen.keypadVisible();
    default:
        return std::nullopt;
    }
}

const QStringList& MenuOptions::fontSizes() { return menu_texts::kFontSizes; }

void MenuOptions::setFontNames(const QStringList& names)
{
    m_fontNames = names;
    m_fontIndex = names.isEmpty() ? -1 : 0;
    if (m_fontIndex == 0)
        m_font.name = names.first();
    emit changed();
}

// A stored value missing from its list leaves the last entry selected.
int MenuOptions::indexOrLast(const QStringList& list, const QString& wanted)
{
    const qsizetype i = list.indexOf(wanted);
    return int(i >= 0 ? i : list.size() - 1);
}

void MenuOptions::load()
{
    m_options = m_file.readOptions();
    const PrinterFont stored = m_file.readPrinterFont();
    // Without a printer the font list is empty; the stored name is kept so that
    // saving the options does not erase it.
    m_fontIndex = indexOrLast(m_fontNames, stored.name);
    m_font.name = m_fontIndex >= 0 ? m_fontNames.at(m_fontIndex) : stored.name;
    m_sizeIndex = indexOrLast(fontSizes(), QString::number(stored.size));
    m_font.size = fontSizes().at(m_sizeIndex).toInt();
    m_font.bold = stored.bold;
    m_font.italic = stored.italic;
    m_changed = false;
    m_windowsShown = windowsShown();
    emit changed();
}

bool MenuOptions::option(int i) const
{
    if (i < 0 || i >= kOptionCount)
        return false;
    return windowShown(i).value_or(m_options[size_t(i)] != 0);
}

bool MenuOptions::storedOption(int i) const
{
    return i >= 0 && i < kOptionCount && m_options[size_t(i)] != 0;
}

void MenuOptions::setOption(int i, bool on)
{
    if (i < 0 || i >= kOptionCount)
        return;
    const qint16 value = on ? 1 : 0;
    noteChange(menu_texts::kOptionControls[size_t(i)], QString::number(m_options[size_t(i)]),
               QString::number(value));
    m_options[size_t(i)] = value;
    switch (i) {
    case ShowAlarms:
        m_state.OptShowAlarms = value;
        m_screen.setAlarmsVisible(on);
        break;
    case ShowEvents:
        m_state.OptShowEvents = value;
        m_screen.setEventsVisible(on);
        break;
    case PanelOnTop:
        m_state.OptPanelOnTop = value;
        break;
    case AlarmSound:
        m_state.OptAlarmSound = value;
        break;
    case EventSound:
        m_state.OptEventSound = value;
        break;
    case ShowKeypad:
        m_state.OptShowKeypad = value;
        m_screen.setKeypadVisible(on);
        break;
    }
    markChanged();
}

void MenuOptions::selectFont(int index)
{
    if (index < 0 || index >= m_fontNames.size())
        return;
    noteChange(QStringLiteral("font"), m_font.name, m_fontNames.at(index));
    m_fontIndex = index;
    m_font.name = m_fontNames.at(index);
    markChanged();
}

void MenuOptions::selectSize(int index)
{
    if (index < 0 || index >= fontSizes().size())
        return;
    noteChange(QStringLiteral("size"), QString::number(m_font.size), fontSizes().at(index));
    m_sizeIndex = index;
    m_font.size = fontSizes().at(index).toInt();
    markChanged();
}

void MenuOptions::setBold(bool on)
{
    noteChange(QStringLiteral("bold"), QString::number(int(m_font.bold)), QString::number(int(on)));
    m_font.bold = on;
    markChanged();
}

void MenuOptions::setItalic(bool on)
{
    noteChange(QStringLiteral("italic"), QString::number(int(m_font.italic)),
               QString::number(int(on)));
    m_font.italic = on;
    markChanged();
}

void MenuOptions::noteChange(const QString& option, const QString& old, const QString& now)
{
    if (old != now)
        journal(m_operator, JournalAction::Options, 0, 0,
                QStringLiteral("%1: %2 -> %3").arg(option, old, now));
}

void MenuOptions::markChanged()
{
    m_changed = true;
    emit changed();
}

bool MenuOptions::saveIfChanged()
{
    if (!m_changed)
        return true;
    // A failed rewrite is kept by the options file, which tries it again.
    m_changed = false;
    if (m_file.write(m_options, m_font))
        return true;
    emit saveFailed(m_file.path());
    return false;
}

} // namespace zelvan

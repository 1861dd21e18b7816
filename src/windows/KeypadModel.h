#pragma once

#include <QChar>
#include <QObject>
#include <QString>
#include <optional>

namespace zelvan {

struct StationState;
class PanelControl;

// An entry of the keypad: "+" takes the object under guard, "-" releases it.
struct KeypadEntry
{
    QChar sign; // '+' or '-'
    int module = 0;
    int object = 0;

    // Page of the main grid showing the object, and its button there.
    int page() const { return (object / 65) * 8 + module - 1; }
    int button() const { return (object - 1) & 63; }
    int k() const { return (module - 1) * 128 + object; }
};

// Reads an entry such as "+3-17", "317+" or "3-17-": a sign first or last (the
// last one counts), the module digit, an optional "-", the object number.
// Nothing unless it carries a sign, the module is 1..8 and the object 1..128.
std::optional<KeypadEntry> parseKeypadEntry(const QString& text);

// The keypad window's engine: its log, and the reaction to an entry. A valid
// entry switches the grid to the object's page and, when the object is
// installed and its state allows the action, presses its button as a left
// click without Shift (which sends the take or release command).
class KeypadModel : public QObject
{
    Q_OBJECT
public:
    static constexpr int kLogKeep = 450;
    static constexpr int kEntryMaxLength = 10;

    enum class Outcome
    {
        Error,
        NoObject,
        PageOnly,
        Pressed
    };

    KeypadModel(const StationState& state, PanelControl& panel, QObject* parent = nullptr);

    // Enter in the entry line. The log is cut to its last 450 characters first,
    // then the entry and the answer, each on a line of its own (CR LF), follow.
    Outcome enter(const QString& text);

    const QString& log() const { return m_log; }

signals:
    void logChanged();

private:
    void appendLine(const QString& line);

    const StationState& m_state;
    PanelControl& m_panel;
    QString m_log;
};

} // namespace zelvan

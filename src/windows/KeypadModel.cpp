#include "windows/KeypadModel.h"

#include "core/NumericText.h"
#include "core/OperatorActions.h"
#include "core/PanelControl.h"
#include "core/StationState.h"
#include "windows/WindowTexts.h"

namespace zelvan {

namespace {

constexpr int kObjectDigitsMax = 20;

bool isSign(QChar c) { return c == u'+' || c == u'-'; }

qint64 wholeValue(QStringView text) { return roundHalfEven(numericValue(text)); }

} // namespace

std::optional<KeypadEntry> parseKeypadEntry(const QString& text)
{
    QString rest = text;
    QChar sign;
    if (!rest.isEmpty() && isSign(rest.front())) {
        sign = rest.front();
        rest = rest.mid(1, KeypadModel::kEntryMaxLength);
    }
    if (!rest.isEmpty() && isSign(rest.back())) {
        sign = rest.back();
        rest.chop(1);
    }
    if (sign.isNull())
        return std::nullopt;
    const qint64 module = wholeValue(QStringView(rest).left(1));
    const int numberFrom = rest.mid(1, 1) == QLatin1String("-") ? 2 : 1;
    const qint64 object = wholeValue(QStringView(rest).mid(numberFrom, kObjectDigitsMax));
    if (module < 1 || module > kModuleCount || object < 1 || object > kObjectsPerModule)
        return std::nullopt;
    return KeypadEntry{sign, int(module), int(object)};
}

KeypadModel::KeypadModel(const StationState& state, PanelControl& panel, QObject* parent)
    : QObject(parent), m_state(state), m_panel(panel)
{
}

KeypadModel::Outcome KeypadModel::enter(const QString& text)
{
    if (m_log.size() > kLogKeep)
        m_log = m_log.right(kLogKeep);
    appendLine(text);

    const auto entry = parseKeypadEntry(text);
    if (!entry) {
        appendLine(windowtexts::keypadError());
        emit logChanged();
        return Outcome::Error;
    }

    m_panel.SelectPage(entry->page());
    const int k = entry->k();
    Outcome outcome = Outcome::PageOnly;
    // The object's button is enabled exactly when the object is installed.
    if (m_state.ObjInstalled[size_t(k)] == 0) {
        appendLine(windowtexts::keypadNoObject());
        outcome = Outcome::NoObject;
    } else {
        const bool released = m_state.ObjState[size_t(k)] == Released;
        if ((entry->sign == u'+' && released) || (entry->sign == u'-' && !released)) {
            m_panel.pressFrom(command_origin::keypad(), entry->button(), 1, 0);
            m_panel.ReleaseObjectButton();
            outcome = Outcome::Pressed;
        }
    }
    emit logChanged();
    return outcome;
}

void KeypadModel::appendLine(const QString& line) { m_log += windowtexts::crlf() + line; }

} // namespace zelvan

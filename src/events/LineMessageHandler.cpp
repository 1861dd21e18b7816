#include "events/LineMessageHandler.h"

#include "core/Addressing.h"
#include "core/Clock.h"
#include "core/MessageLetter.h"
#include "core/NumericText.h"
#include "core/PanelControl.h"
#include "core/StationLists.h"
#include "core/StationState.h"
#include "events/ObjectEventSteps.h"

#include <algorithm>
#include <limits>

namespace zelvan {

namespace {
constexpr int kMaxReplyLength = 5;
constexpr int kValueWidth = 16;

qint16 clampToInt16(qint64 value)
{
    return qint16(std::clamp<qint64>(value, std::numeric_limits<qint16>::min(),
                                     std::numeric_limits<qint16>::max()));
}

// The table a threshold letter stores into, or none for another letter.
ObjectTable<qint16>* thresholdTable(StationState& state, QChar letter)
{
    switch (messageLetter(letter)) {
    case 'B':
        return &state.ObjParamA;
    case 'Z':
        return &state.ObjParamB;
    case 'T':
        return &state.ObjParamC;
    default:
        return nullptr;
    }
}
} // namespace

LineMessageHandler::LineMessageHandler(StationContext context) : m_ctx(context) {}

void LineMessageHandler::handleThreshold(const QString& message, int m)
{
    if (message.size() < 2)
        return;
    ObjectTable<qint16>* table = thresholdTable(m_ctx.state, message.at(1));
    if (!table)
        return;
    // Every comma from the fourth character on stores the value after it for the
    // object number read from the third character up to that comma.
    for (qsizetype i = 3; i < message.size(); ++i) {
        if (message.at(i) != QLatin1Char(','))
            continue;
        const int k = objectIndexOf(m, QStringView(message).mid(2, i - 2));
        const qint64 v = integerValue(QStringView(message).mid(i + 1, kValueWidth));
        if (k == 0 || v != clampToInt16(v)) {
            ++m_rejected;
            return;
        }
        (*table)[size_t(k)] = qint16(v);
    }
}

void LineMessageHandler::handleMeasurement(const QString& message, int m)
{
    Q_UNUSED(m);
    StationState& state = m_ctx.state;
    if (message.size() > kMaxReplyLength || state.PendingMeasure.isEmpty())
        return;

    state.MeasuredValue = clampToInt16(integerValue(message));

    // The first examination of a violated object since start or since its last
    // release is recorded once as the operator's.
    const qint64 k = integerValue(QStringView(state.PendingMeasure).mid(1, 4));
    if (k >= 1 && k <= kObjectCount) {
        const size_t index = size_t(k);
        if (state.ObjLineFlag[index] == -1 && state.ObjState[index] == Violated) {
            m_ctx.archive.AppendDayRecord(int(k), QLatin1Char('R'), m_ctx.clock.now());
            state.ObjLineFlag[index] = 0;
        }
    }
    // The panel shows the value and asks for the next one.
    m_ctx.panel.measuredValueChanged();
}

} // namespace zelvan

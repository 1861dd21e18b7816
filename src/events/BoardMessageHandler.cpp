#include "events/BoardMessageHandler.h"

#include "core/Addressing.h"
#include "core/Clock.h"
#include "core/EventCodes.h"
#include "core/Labels.h"
#include "core/ModuleCommands.h"
#include "core/NumericText.h"
#include "core/ObjectFiles.h"
#include "core/StationState.h"
#include "events/BoardMessageTexts.h"
#include "events/DayArchive.h"
#include "events/EventList.h"
#include "events/ObjectEventSteps.h"

namespace zelvan {

namespace {
constexpr int kSignalCount = 5;

// Message layout, 0-based: switch flag, five signal flags, board code, object number.
constexpr qsizetype kSwitchPos = 1;
constexpr qsizetype kFirstSignalPos = 2;
constexpr qsizetype kCodePos = 8;
constexpr qsizetype kCodeWidth = 2;
constexpr qsizetype kNumberPos = 11;
constexpr qsizetype kNumberWidth = 4;

qint64 flagAt(const QString& message, qsizetype pos)
{
    return integerValue(QStringView(message).mid(pos, 1));
}
} // namespace

BoardMessageHandler::BoardMessageHandler(StationContext context) : m_ctx(context) {}

bool BoardMessageHandler::withinTakeReleaseWindow(const StationState& state, int k,
                                                  double nowSerial)
{
    const double lastViolation = state.ObjLastTime[size_t(k)];
    if (lastViolation == 0.0)
        return false;
    // Whole milliseconds, so that a report exactly one period after the
    // violation does not pass through the rounding of the day fractions.
    const qint64 elapsedMs = roundHalfEven((nowSerial - lastViolation) * kMsPerDay);
    return elapsedMs < qint64(state.KavelPeriod[size_t(k)]) * 1000;
}

void BoardMessageHandler::handle(const QString& message, int m)
{
    StationState& state = m_ctx.state;
    const QString code = message.mid(kCodePos, kCodeWidth);
    const int k = objectIndexOf(m, QStringView(message).mid(kNumberPos, kNumberWidth));
    if (k == 0) {
        ++m_rejected;
        return;
    }
    if (state.KavelCode[size_t(k)] != code || code == QLatin1String("00"))
        return;

    // The command names the object by its own number; the panel's selection
    // stays with the object the operator is holding.
    const QString objectNo = QString::number(objectNoOf(k));
    const QDateTime now = m_ctx.clock.now();
    const bool inWindow = withinTakeReleaseWindow(state, k, daySerial(now));
    const QString label = FormatObjectLabel(state, k);

    // Switched on takes the object; switched off releases it, or takes it
    // when the board is wired as a direct pair.
    const bool switchedOn = flagAt(message, kSwitchPos) == 0;
    if (inWindow) {
        const bool take = switchedOn || state.KavelDirectPair[size_t(k)] != 0;
        m_ctx.commands.SendToModule((take ? QLatin1Char('P') : QLatin1Char('O')) + objectNo + kCr,
                                    m);
    }
    m_ctx.events.PostEvent(
        switchedOn ? EventPrefix::BoardOn : EventPrefix::BoardOff, now,
        label + (switchedOn ? BoardMessageTexts::kSwitchedOn : BoardMessageTexts::kSwitchedOff));
    m_ctx.archive.AppendDayRecord(k, switchedOn ? QLatin1Char('N') : QLatin1Char('F'), now);

    for (int j = 1; j <= kSignalCount; ++j) {
        if (flagAt(message, kFirstSignalPos + j - 1) != 1)
            continue;
        const QString caption = m_ctx.files.kavelCaption(k, j);
        m_ctx.events.PostEvent(EventPrefix::BoardSignal, now,
                               label + BoardMessageTexts::kSignalSeparator + caption);
        m_ctx.archive.AppendDayRecord(k, QChar(u'0' + j), now);
    }
}

} // namespace zelvan

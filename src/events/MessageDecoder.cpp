#include "events/MessageDecoder.h"

#include "core/Addressing.h"
#include "core/Clock.h"
#include "core/EventCodes.h"
#include "core/Labels.h"
#include "core/MessageLetter.h"
#include "core/NumericText.h"
#include "core/StationLists.h"
#include "events/AlarmList.h"
#include "events/DayArchive.h"
#include "events/EventList.h"
#include "events/ObjectEventSteps.h"

namespace zelvan {

namespace {

// A message of one character is read as the measured value 0.
const QString kOneCharacterValue = QStringLiteral("0");
// After "#O" the rest is read as a release message of at most 16 characters.
constexpr qsizetype kHashReleaseLength = 16;

} // namespace

MessageDecoder::MessageDecoder(StationContext context)
    : m_ctx(context), m_board(context), m_line(context)
{
}

void MessageDecoder::HandleModuleMessage(QString message, int m)
{
    if (m < 0 || m > kModuleCount || !m_ctx.state.ModuleEnabled[size_t(m)]) {
        ignore();
        return;
    }
    if (message.size() == 1)
        message = kOneCharacterValue;
    if (message.isEmpty()) {
        ignore();
        return;
    }
    const QStringView text(message);
    const QChar c1 = text.front();
    if (c1 == QLatin1Char('#')) {
        switch (messageLetter(text[1])) {
        case u'P':
            taken(text, m);
            return;
        case u'A':
            violated(text, m);
            return;
        case u'O':
            release(text.mid(1, kHashReleaseLength), m);
            return;
        case u'B':
        case u'T':
        case u'Z':
            m_line.handleThreshold(message, m);
            return;
        case u'0':
        case u'1':
            m_board.handle(message, m);
            return;
        default:
            ignore();
            return;
        }
    }
    switch (messageLetter(c1)) {
    case u'P':
        takeAcknowledged(text, m);
        return;
    case u'O':
        release(text, m);
        return;
    default:
        break;
    }
    if (isDigit(c1)) {
        m_line.handleMeasurement(message, m);
        return;
    }
    ignore();
}

int MessageDecoder::guardObject(QStringView message, qsizetype from, int m)
{
    if (message.size() > kMaxGuardMessage) {
        ignore();
        return 0;
    }
    const int k = objectIndexOf(m, message.mid(from));
    if (k == 0) {
        ++m_badObject;
        ignore();
    }
    return k;
}

void MessageDecoder::release(QStringView message, int m)
{
    const int k = guardObject(message, 1, m);
    if (k == 0)
        return;
    StationState& s = m_ctx.state;
    const QDateTime now = m_ctx.clock.now(); // one reading: the line and the record
    s.ObjState[size_t(k)] = Released;
    m_ctx.grid.repaintObject(k);
    const QString text = ObjText(s, m_ctx.files, k);
    removeViolationLines(m_ctx, k);
    m_ctx.grid.refreshRibbon(k);
    m_ctx.events.PostEvent(EventPrefix::Released, now, text);
    beepOnEvent(m_ctx);
    m_ctx.archive.AppendDayRecord(k, QChar(RecordLetter::Released), now);
    // Released again: the next examination of a violation earns an operator record.
    s.ObjLineFlag[size_t(k)] = -1;
}

void MessageDecoder::takeAcknowledged(QStringView message, int m)
{
    const int k = guardObject(message, 1, m);
    if (k == 0)
        return;
    m_ctx.state.ObjState[size_t(k)] = TakeRequested;
    m_ctx.grid.repaintObject(k);
    removeViolationLines(m_ctx, k);
    m_ctx.grid.refreshRibbon(k);
}

void MessageDecoder::taken(QStringView message, int m)
{
    const int k = guardObject(message, 2, m);
    if (k == 0)
        return;
    StationState& s = m_ctx.state;
    const QDateTime now = m_ctx.clock.now(); // one reading: the line and the record
    s.ObjState[size_t(k)] = Taken;
    m_ctx.grid.repaintObject(k);
    const QString text = ObjText(s, m_ctx.files, k);
    m_ctx.events.PostEvent(EventPrefix::Taken, now, text);
    beepOnEvent(m_ctx);
    removeViolationLines(m_ctx, k);
    m_ctx.grid.refreshRibbon(k);
    m_ctx.archive.AppendDayRecord(k, QChar(RecordLetter::Taken), now);
}

void MessageDecoder::violated(QStringView message, int m)
{
    const int k = guardObject(message, 2, m);
    if (k == 0)
        return;
    StationState& s = m_ctx.state;
    const QDateTime now = m_ctx.clock.now();
    s.ObjState[size_t(k)] = Violated;
    s.ObjLastTime[size_t(k)] = daySerial(now);
    m_ctx.grid.repaintObject(k);
    m_ctx.grid.markRibbonViolated(k);
    const QString text = ObjText(s, m_ctx.files, k);
    m_ctx.alarms.addViolation(text);
    m_ctx.events.PostEvent(EventPrefix::Violated, now, text);
    beepOnEvent(m_ctx);
    m_ctx.archive.AppendDayRecord(k, QChar(RecordLetter::Violated), now);
}

} // namespace zelvan

#include "windows/AlarmBlink.h"

#include "core/Beeper.h"
#include "core/ScreenState.h"
#include "core/StationState.h"
#include "events/AlarmList.h"

namespace zelvan {

AlarmBlink::AlarmBlink(const StationState& state, const AlarmList& alarms, ScreenState& screen,
                       Beeper& beeper, QObject* parent)
    : QObject(parent), m_state(state), m_alarms(alarms), m_screen(screen), m_beeper(beeper),
      m_silence(alarms, screen)
{
    m_timer.setObjectName(QStringLiteral("Timer1"));
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &AlarmBlink::tick);
}

void AlarmBlink::start() { m_timer.start(); }

void AlarmBlink::tick()
{
    const bool alarming = m_alarms.count() > 0 || m_screen.linkLost().visible;
    if (!alarming) {
        setFrame(false);
        return;
    }
    if (m_screen.mainVisible() && m_state.OptPanelOnTop == 1)
        emit m_screen.raiseMainRequested();
    if (m_frameVisible) {
        setFrame(false);
        m_screen.setLinkLostColor(kMessageDim);
    } else {
        if (m_state.OptAlarmSound == 1 && !m_silence.silenced())
            m_beeper.beep();
        setFrame(true);
        m_screen.setLinkLostColor(kMessageLit);
    }
}

void AlarmBlink::setFrame(bool visible)
{
    if (m_frameVisible == visible)
        return;
    m_frameVisible = visible;
    emit frameChanged(visible);
}

} // namespace zelvan

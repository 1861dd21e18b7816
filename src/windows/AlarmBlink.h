#pragma once

#include "windows/AlarmSilence.h"

#include <QObject>
#include <QTimer>

namespace zelvan {

struct StationState;
class AlarmList;
class ScreenState;
class Beeper;

// The blink of the violations window: every 500 ms, while a violation is listed
// or the link-lost window is shown, the red frame around the list and the
// link-lost message flash with a period of one second; each time the frame
// comes on the alarm beeps (OptAlarmSound) and the main window is brought to
// the front (OptPanelOnTop, only while it is visible). The frame starts shown
// and goes out at the first quiet tick. The operator's silence stops the beep,
// never the blink.
class AlarmBlink : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 500;
    static constexpr quint32 kMessageDim = 12632256; // light gray
    static constexpr quint32 kMessageLit = 255;      // red

    AlarmBlink(const StationState& state, const AlarmList& alarms, ScreenState& screen,
               Beeper& beeper, QObject* parent = nullptr);

    // Starts Timer1 (the tick runs for the rest of the program).
    void start();
    // One blink tick; Timer1 calls it.
    void tick();

    bool frameVisible() const { return m_frameVisible; }
    AlarmSilence& silence() { return m_silence; }
    const AlarmSilence& silence() const { return m_silence; }

signals:
    void frameChanged(bool visible);

private:
    void setFrame(bool visible);

    const StationState& m_state;
    const AlarmList& m_alarms;
    ScreenState& m_screen;
    Beeper& m_beeper;
    AlarmSilence m_silence;
    QTimer m_timer;
    bool m_frameVisible = true;
};

} // namespace zelvan

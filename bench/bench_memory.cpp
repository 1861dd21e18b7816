// Resident memory of the station with every window open: the station over a
// pseudo-terminal, the main window, the violations, events, keypad and object
// information windows, the start-up and link-lost windows, all shown and
// painted (offscreen when there is no display), with the violations list and
// the events list full.
//
//   build/bench/bench_memory [--quick]
#include "PanelOnPty.h"
#include "Verdict.h"
#include "app/LinkLostForm.h"
#include "app/SplashForm.h"
#include "panel/MainForm.h"
#include "panel/MainPanelModel.h"
#include "windows/AlarmBlink.h"
#include "windows/AlarmForm.h"
#include "windows/EventForm.h"
#include "windows/KeypadForm.h"
#include "windows/KeypadModel.h"
#include "windows/ObjectHistory.h"
#include "windows/ObjectInfoForm.h"

#include <QApplication>
#include <QElapsedTimer>

using namespace zelvan;

namespace {

constexpr long kLimitKb = 80 * 1024;
constexpr int kViolations = 1024; // every object once

void settle()
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    bench::Verdict verdict(argc, argv);
    QApplication app(argc, argv);
    const long atStart = bench::residentKb();

    bench::PanelOnPty rig;
    Station& s = rig.station;
    ObjectInfoForm info(ObjectHistory(s.state(), s.files(), rig.clock));
    AlarmBlink blink(s.state(), s.alarms(), s.screen(), rig.beeper);
    KeypadModel keypadModel(s.state(), s.panel());
    MainForm main(s.panel(), s.screen());
    AlarmForm alarms(s.alarms(), s.screen(), blink, info);
    EventForm events(s.events(), s.screen(), info);
    KeypadForm keypad(s.screen(), keypadModel, &main);
    SplashForm splash(s.screen());
    LinkLostForm linkLost(s.screen());
    for (QWidget* w :
         std::initializer_list<QWidget*>{&main, &alarms, &events, &keypad, &splash, &linkLost})
        w->show();
    settle();
    const long windowsOpen = bench::residentKb();

    // Fill the lists as a busy night would: every object violated once
    // (1024 violation lines, the events list at its cap), then look one up.
    for (int i = 0; i < kViolations; ++i) {
        const QByteArray msg =
            '{' + QByteArray::number(i % 8 + 1) + "#A" + QByteArray::number(i / 8 + 1) + '\r';
        rig.pty.write(msg);
        if (i % 64 == 63) {
            QCoreApplication::processEvents();
            rig.pty.readNow();
        }
    }
    settle();
    info.showObject(1, ListSource::Violations);
    settle();
    const long full = bench::residentKb();

    // The figure holds only with the lists as full as claimed.
    std::printf("violation lines listed: %d of the %d sent: %s\n", s.alarms().count(), kViolations,
                verdict.counted(s.alarms().count() == kViolations));
    std::printf("resident memory (VmRSS): %.1f MB before the station, %.1f MB with every window "
                "open, %.1f MB with %d violation lines and %d event lines; limit %.0f MB: %s\n",
                atStart / 1024.0, windowsOpen / 1024.0, full / 1024.0, s.alarms().count(),
                s.events().count(), kLimitKb / 1024.0, verdict.counted(full < kLimitKb));
    return verdict.exitCode();
}

#pragma once

#include "app/PanelLock.h"
#include "platform/BootClock.h"
#include "platform/MosquittoLink.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace zelvan {

struct MqttSettings;

class AlarmBlink;
class AlarmForm;
class Beeper;
class Clock;
class EventForm;
class FrontRequest;
class KeypadForm;
class KeypadModel;
class LinkLostForm;
class LoginForm;
class BrokerLink;
class ReceiverLink;
class MainForm;
class MenuForm;
class MonotonicClock;
class ObjectInfoForm;
class SerialLine;
class SplashForm;
class StateRestore;
class Station;

// The operator's desk: the station and every window of the panel, built and
// wired once. It decides who shows what and where each window first appears;
// the menu window lives from the press of "Меню" until it is left. main()
// builds one over the real ports, clock and sound and runs the event loop;
// the end-to-end tests build one over a pseudo-terminal and drive its widgets.
class OperatorDesk : public QObject
{
    Q_OBJECT
public:
    struct Platform
    {
        const Clock& clock;
        Beeper& beeper;
        SerialLine& port1;
        SerialLine& port2;
        // The clock that tells a stopped and resumed process; the boot-time
        // clock when null.
        const MonotonicClock* mono = nullptr;
    };

    enum class Outcome
    {
        Running,
        AlreadyRunning,
        CannotLoad
    };
    struct Started
    {
        Outcome outcome = Outcome::Running;
        QString message; // for the operator, when not running
    };

    OperatorDesk(Platform platform, QString programDir, QObject* parent = nullptr);
    ~OperatorDesk() override;

    // Takes the panel's locks, runs the load step and builds the windows. A
    // panel already running on the program directory or a serial device is
    // asked to come to the front, and nothing is opened here.
    Started start();

    Station& station() { return *m_station; }
    MainForm* mainForm() const { return m_main.get(); }
    AlarmForm* alarmForm() const { return m_alarms.get(); }
    EventForm* eventForm() const { return m_events.get(); }
    KeypadForm* keypadForm() const { return m_keypad.get(); }
    SplashForm* splashForm() const { return m_splash.get(); }
    LinkLostForm* linkLostForm() const { return m_linkLost.get(); }
    ObjectInfoForm* infoForm() const { return m_info.get(); }
    // The log-in dialog, when operators log in at this panel.
    LoginForm* loginForm() const { return m_login.get(); }
    // The open menu window, if any.
    MenuForm* menuForm() const;
    // The MQTT broker connection, when mqtt.ini configures one.
    BrokerLink* broker() const { return m_broker.get(); }
    // How many menu windows were created so far.
    int menusOpened() const { return m_menusOpened; }
    // The restore of a module's saved state, started from the menu and run to
    // its end whether or not the menu is still open.
    StateRestore& stateRestore() { return *m_restore; }

    // The MQTT client's options from the settings of mqtt.ini (its last will
    // on <prefix>/status).
    static MosquittoLink::Options brokerOptions(const MqttSettings& settings);

    // Asks the operator to confirm a hand-over or a take-over of the line
    // (a question box unless a test sets another).
    using Confirm = std::function<bool(QWidget* parent, const QString& question)>;
    void setConfirm(Confirm confirm) { m_confirm = std::move(confirm); }

private:
    QStringList configuredDevices() const;
    void buildWindows();
    void startFeed();
    void startForwarding();
    void placeWindows();
    void openMenu();
    void followScreen();
    void bringToFront();
    void buildLogin();
    void showOperator();
    void buildPairStrip();
    void showPair();
    void pairButtonClicked();

    Platform m_platform;
    QString m_programDir;
    PanelLock m_lock;
    std::unique_ptr<Station> m_station;
    // The broker connection, only when mqtt.ini is there and usable; it goes
    // before the station's publisher.
    std::unique_ptr<BrokerLink> m_broker;
    std::unique_ptr<ReceiverLink> m_receiver;
    std::unique_ptr<SplashForm> m_splash;
    std::unique_ptr<LinkLostForm> m_linkLost;
    std::unique_ptr<MainForm> m_main;
    std::unique_ptr<ObjectInfoForm> m_info;
    std::unique_ptr<AlarmBlink> m_blink;
    std::unique_ptr<AlarmForm> m_alarms;
    std::unique_ptr<EventForm> m_events;
    std::unique_ptr<KeypadModel> m_keypadModel;
    std::unique_ptr<KeypadForm> m_keypad;
    std::unique_ptr<FrontRequest> m_frontRequest;
    std::unique_ptr<StateRestore> m_restore;
    std::unique_ptr<LoginForm> m_login;
    QPointer<MenuForm> m_menu;
    int m_menusOpened = 0;
    Confirm m_confirm;
    BootClock m_bootClock;
    bool m_mainShown = false;
    bool m_placedWithFrames = false;
};

} // namespace zelvan

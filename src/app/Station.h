#pragma once

#include "core/MonotonicClock.h"
#include "core/OperatorActions.h"
#include "core/OptionsFile.h"
#include "core/ScreenState.h"
#include "core/StationContext.h"
#include "core/StationState.h"
#include "core/ZelvanIni.h"
#include "dc09/Dc09Settings.h"
#include "events/AlarmList.h"
#include "events/EventList.h"
#include "feed/MqttSettings.h"
#include "link/CommandSender.h"
#include "link/GatedLine.h"
#include "link/PortKeeper.h"
#include "link/ReceiveFramer.h"
#include "panel/ObjectGrid.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>

namespace zelvan {

class Clock;
class Beeper;
class SerialLine;
class ObjectFiles;
class DayArchive;
class MainPanelModel;
class MessageDecoder;
class StartupExchange;
class LinkSupervisor;
class BrokerLink;
class EventPublisher;
class JournalPublisher;
class Journal;
class OperatorSession;
class LoginHolds;
class PairRoles;
class ReceiverLink;
namespace dc09 {
class Forwarder;
}

// The whole station without its windows: the state, the configuration, the
// data files, the lists, the grid, the panel's model, the link (framing,
// commands, start-up exchange, supervision) and the supervision timer. The
// program builds one over the real ports and clock; the tests over fakes.
class Station : public QObject
{
    Q_OBJECT
public:
    struct LoadResult
    {
        bool ok = true;
        QString message; // why the station cannot run, when !ok
    };

    Station(const Clock& clock, Beeper& beeper, SerialLine& port1, SerialLine& port2,
            QString programDir, QObject* parent = nullptr);
    ~Station() override;

    // The load step of the main window: state, zelvan.ini, data directory and
    // files, start-up window, ports, probe, first version request, page 0;
    // then starts the supervision timer. The parts below that work on the data
    // directory exist once load() has succeeded.
    LoadResult load();
    bool loaded() const { return m_context.has_value(); }

    // One supervision tick (the timer's work).
    void tick();

    // The clock that tells a stopped and resumed process (a panel in a
    // pair), set before load(); the desk gives the machine's boot-time
    // clock. Without one the pair counts on a steady clock of its own.
    void setMonotonicClock(const MonotonicClock& clock) { m_mono = &clock; }
    // The rules of the pair when mqtt.ini has [pair]; null for a panel alone.
    PairRoles* pair() const { return m_pair.get(); }

    // mqtt.ini as the load step read it: present, usable, or with the problems
    // shown to the operator. Without the file nothing is sent anywhere.
    const MqttSettingsFile::Result& feedSettings() const { return m_feedSettings; }
    // Starts sending the day records and states through the link, when
    // mqtt.ini is usable and the station loaded. False otherwise.
    bool startFeed(BrokerLink& link);
    // dc09.ini as the load step read it. Without the file nothing is
    // forwarded to a receiving centre.
    const dc09::SettingsFile::Result& forwardSettings() const { return m_forwardSettings; }
    // Starts forwarding the day records to the receiving centre through the
    // link, when dc09.ini is usable and the station loaded (in a pair, while
    // this panel is the active one). False otherwise.
    bool startForwarding(ReceiverLink& link);
    dc09::Forwarder* forwarder() const { return m_forwarder.get(); }
    // The end of the panel: the journal's exit line is written, and with the
    // feed on, the end waits for the broker to acknowledge the journal's
    // last line until `deadline`. Once; the destructor journals the exit
    // of a station ended without it.
    void end(const QDeadlineTimer& deadline);
    // The publisher, once the feed is started.
    EventPublisher* publisher() const { return m_publisher.get(); }
    JournalPublisher* journalPublisher() const { return m_journalPublisher.get(); }

    StationState& state() { return m_state; }
    ScreenState& screen() { return m_screen; }
    ZelvanIni& ini() { return m_ini; }
    // The menu's options on their way into zelvan.ini, tried again at each tick.
    OptionsFile& optionsFile() { return m_optionsFile; }
    const StartupConfig& config() const { return m_config; }
    QString programDir() const { return m_programDir; }
    // Day records that could not be written by the end of the program wait
    // here for the next start.
    QString archiveRecoveryPath() const;
    // The journal lines that could not be written by the exit.
    QString journalRecoveryPath() const;
    AlarmList& alarms() { return m_alarms; }
    EventList& events() { return m_events; }
    ObjectGrid& grid() { return m_grid; }
    CommandSender& commands() { return m_commands; }
    ReceiveFramer& framer() { return m_framer; }
    PortKeeper& portKeeper(int port) { return port == 2 ? m_keeper2 : m_keeper1; }
    QTimer& tickTimer() { return m_timer; }

    // One instance for the life of the station: forms may keep a reference.
    StationContext& context() { return *m_context; }
    ObjectFiles& files() { return *m_files; }
    DayArchive& archive() { return *m_archive; }
    MainPanelModel& panel() { return *m_panel; }
    MessageDecoder& decoder() { return *m_decoder; }
    StartupExchange& exchange() { return *m_exchange; }
    LinkSupervisor& supervisor() { return *m_supervisor; }
    // The journal of the operator's actions, and who is at the panel.
    Journal& journal() { return *m_journal; }
    OperatorSession& operators() { return *m_operators; }

private:
    void journalExit();
    void resetLinkState();
    LoadResult makeDataDir();
    void buildDataParts();
    void openPorts();
    void firstVersionRequest();
    void housekeeping();

    const Clock& m_clock;
    Beeper& m_beeper;
    SerialLine& m_port1;
    SerialLine& m_port2;
    QString m_programDir;
    // Every write to the modules passes one of these gates.
    GatedLine m_line1;
    GatedLine m_line2;

    StationState m_state;
    ScreenState m_screen;
    ZelvanIni m_ini;
    OptionsFile m_optionsFile;
    StartupConfig m_config;
    AlarmList m_alarms;
    EventList m_events;
    ObjectGrid m_grid;
    CommandSender m_commands;
    ReceiveFramer m_framer;
    PortKeeper m_keeper1;
    PortKeeper m_keeper2;
    QTimer m_timer;

    std::unique_ptr<ObjectFiles> m_files;
    std::unique_ptr<DayArchive> m_archive;
    std::unique_ptr<MainPanelModel> m_panel;
    std::optional<StationContext> m_context;
    std::unique_ptr<MessageDecoder> m_decoder;
    std::unique_ptr<StartupExchange> m_exchange;
    std::unique_ptr<LinkSupervisor> m_supervisor;
    MqttSettingsFile::Result m_feedSettings;
    QString m_feedStamp; // mqtt.ini as it was read at start
    QString feedSettingsStamp() const;
    void checkFeedSettings();
    std::unique_ptr<EventPublisher> m_publisher;
    std::unique_ptr<JournalPublisher> m_journalPublisher;
    dc09::SettingsFile::Result m_forwardSettings;
    std::unique_ptr<dc09::Forwarder> m_forwarder;
    QByteArray m_forwardedPlace; // the last record the centre acknowledged, for the partner
    QByteArray m_sharedPlace;    // as last published
    std::unique_ptr<Journal> m_journal;
    std::unique_ptr<LoginHolds> m_loginHolds;
    // Before the parts whose actions it holds back: it goes first.
    std::unique_ptr<OperatorSession> m_operators;
    bool m_exitJournaled = false;
    void buildOperators();
    void refreshOperators();
    void buildPair();
    void checkPair();
    void takePartnerState(int k, const QByteArray& word);
    QString refusalHere(const ActionRequest& request) const;
    // A steady clock for a station built without one.
    class SteadyClock : public MonotonicClock
    {
    public:
        qint64 msecs() const override;
    } m_steadyClock;
    const MonotonicClock* m_mono = &m_steadyClock;
    std::unique_ptr<PairRoles> m_pair;
    QTimer m_pairTimer;
};

} // namespace zelvan

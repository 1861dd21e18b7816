#include "app/Station.h"

#include "app/AppTexts.h"
#include "core/Addressing.h"
#include "core/Clock.h"
#include "core/Logging.h"
#include "core/ObjectFiles.h"
#include "core/ProgramVersion.h"
#include "core/SerialLine.h"
#include "dc09/Dc09Forwarder.h"
#include "events/DayArchive.h"
#include "events/MessageDecoder.h"
#include "feed/EventPublisher.h"
#include "feed/FeedMessages.h"
#include "feed/JournalPublisher.h"
#include "journal/Journal.h"
#include "journal/JournalKey.h"
#include "journal/LoginHolds.h"
#include "journal/OperatorSession.h"
#include "journal/OperatorsFile.h"
#include "link/LinkSupervisor.h"
#include "link/LinkTexts.h"
#include "link/StartupExchange.h"
#include "pair/PairRoles.h"
#include "pair/PairTexts.h"
#include "panel/MainPanelModel.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <cerrno>
#include <chrono>
#include <sys/stat.h>

namespace zelvan {

using Source = ScreenState::ProblemSource;

Station::Station(const Clock& clock, Beeper& beeper, SerialLine& port1, SerialLine& port2,
                 QString programDir, QObject* parent)
    : QObject(parent), m_clock(clock), m_beeper(beeper), m_port1(port1), m_port2(port2),
      m_programDir(std::move(programDir)), m_line1(port1), m_line2(port2), m_ini(m_programDir),
      m_optionsFile(m_ini, m_screen), m_grid(m_state), m_commands(m_state, m_line1, m_line2),
      m_framer(m_state), m_keeper1(m_line1, 1), m_keeper2(m_line2, 2)
{
    m_timer.setInterval(LinkSupervisor::kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &Station::tick);
    // The records of all messages of one receive notification go to the disk
    // with one write and one sync before the notification's handler returns.
    connect(&m_line1, &SerialLine::readyRead, this, [this] {
        const DayArchive::Batch batch(m_archive.get());
        m_framer.receivePort1(m_line1.readAll());
    });
    connect(&m_line2, &SerialLine::readyRead, this, [this] {
        const DayArchive::Batch batch(m_archive.get());
        m_framer.receivePort2(m_line2.readAll());
    });
    connect(&m_alarms, &AlarmList::violationAdded, &m_screen, &ScreenState::bringAlarmsBack);
    // The port's problem: why it is closed, or the settings it could not use.
    connect(&m_keeper1, &PortKeeper::stateChanged, this,
            [this](bool, const QString& text) { m_screen.setProblem(Source::Port1, text); });
    connect(&m_keeper2, &PortKeeper::stateChanged, this,
            [this](bool, const QString& text) { m_screen.setProblem(Source::Port2, text); });
}

void Station::journalExit()
{
    if (m_operators && !m_exitJournaled)
        m_operators->journal(JournalAction::Exit, 0, 0, QString());
    m_exitJournaled = true;
}

void Station::end(const QDeadlineTimer& deadline)
{
    journalExit();
    if (m_journalPublisher)
        m_journalPublisher->finish(deadline);
}

Station::~Station()
{
    journalExit();
    // A waiting action refers to the parts below: it goes first.
    m_operators.reset();
    // Day records that still cannot be written are not lost with the
    // program: the next start writes them first.
    if (m_archive)
        m_archive->saveUnwritten(archiveRecoveryPath());
    // So are the journal's lines, its exit line among them.
    if (m_journal)
        m_journal->saveWaiting(journalRecoveryPath());
}

QString Station::archiveRecoveryPath() const
{
    return m_programDir + QStringLiteral("/zelvan.rec");
}

QString Station::journalRecoveryPath() const
{
    return m_programDir + QStringLiteral("/journal.rec");
}

Station::LoadResult Station::load()
{
    // Steps 1-3: the main window stays hidden (ScreenState starts so); empty
    // receive buffers, no exchange running, no object installed.
    resetLinkState();

    // Steps 4-5: zelvan.ini, written with its defaults when missing. A file
    // that could not be written stays listed above what reading it then finds.
    QStringList configProblems;
    if (!m_ini.exists() && !m_ini.WriteDefaultConfig())
        configProblems << apptexts::configNotWritten().arg(m_ini.path()) + QLatin1Char(' ')
                              + m_ini.errorString();
    m_config = m_ini.readStartup();
    m_config.applyTo(m_state);
    for (int m = 1; m <= kModuleCount; ++m) {
        m_state.ModuleWasAnswering[m] = true;
        m_state.ModuleStarted[m] = false;
    }
    configProblems << m_config.problems;
    m_screen.setProblem(Source::Config, configProblems.join(QLatin1Char('\n')));

    // Step 6: the data directory, one level.
    if (LoadResult made = makeDataDir(); !made.ok)
        return made;

    // Step 7: missing object data files; the day records left unwritten at
    // the last exit go to their day files before any new one.
    buildDataParts();
    if (!m_archive->recover(archiveRecoveryPath()))
        m_screen.setProblem(Source::ArchiveRecovery, m_archive->lastRecoveryError());
    if (!m_files->createMissing())
        m_screen.setProblem(Source::DataFiles, apptexts::dataFilesNotWritten().arg(m_state.DataDir)
                                                   + QLatin1Char('\n') + m_files->errorString());

    // The MQTT feed, off without mqtt.ini; its problems are shown like the others.
    m_feedSettings = MqttSettingsFile::read(m_programDir, QSysInfo::machineHostName());
    m_feedStamp = feedSettingsStamp();
    if (!m_feedSettings.problems.isEmpty())
        m_screen.setProblem(Source::FeedConfig, m_feedSettings.problems.join(QLatin1Char('\n')));
    // The forwarder to a receiving centre, off without dc09.ini.
    m_forwardSettings = dc09::SettingsFile::read(m_programDir, m_state.SystemNo);
    m_screen.setProblem(Source::Dc09Config, m_forwardSettings.problems.join(QLatin1Char('\n')));
    // A panel of a pair listens before anything is written to the line.
    if (m_feedSettings.present && m_feedSettings.settings.pair.configured)
        buildPair();

    // Step 8: the start-up window.
    m_screen.setSplashVisible(true);

    // Steps 9-13: the module labels and the system digit are drawn by the
    // main window from the state; the gauges start at their rest values.
    m_state.LastPage = 0;
    m_files->loadColors(m_state);
    m_files->loadBoards(m_state);
    m_state.fillMonthNames();

    // Steps 14-18: ports, hub wake-up, probe, the first version request.
    openPorts();
    if (m_port1.isOpen() && m_state.hubTopology())
        m_commands.writeRaw(1,
                            QByteArray(linktexts::kHubWakeUp.data(), linktexts::kHubWakeUp.size()));
    m_commands.TstMdl();
    firstVersionRequest();

    // Step 19: nothing to wait for when no module is enabled.
    bool anyEnabled = false;
    for (int m = 1; m <= kModuleCount; ++m)
        anyEnabled = anyEnabled || m_state.ModuleEnabled[m];
    if (!anyEnabled) {
        m_screen.setMainVisible(true);
        m_screen.setSplashVisible(false);
    }

    // Step 20: page 0.
    m_state.CurrentPage = 0;
    m_panel->SelectPage(0);

    m_timer.start();
    return {};
}

void Station::resetLinkState()
{
    m_framer.reset();
    m_state.StartupModule = 0;
    m_state.FirstStartPending = true;
    m_state.PendingMeasure.clear();
    for (int k = 1; k <= kObjectCount; ++k) {
        m_state.ObjInstalled[k] = 0;
        m_state.ObjLineFlag[k] = -1;
    }
}

Station::LoadResult Station::makeDataDir()
{
    const QString dir = m_state.DataDir;
    if (QFileInfo(dir).isDir())
        return {};
    const QByteArray native = QFile::encodeName(dir);
    if (!dir.isEmpty() && ::mkdir(native.constData(), 0775) == 0)
        return {};
    const int error = errno;
    qCCritical(lcLink).noquote() << "the data directory" << dir << "cannot be created:"
                                 << (dir.isEmpty() ? QStringLiteral("none configured")
                                                   : qt_error_string(error));
    const QString reason = dir.isEmpty() ? apptexts::noDataDir() : qt_error_string(error);
    return {false, apptexts::dataDirNotCreated().arg(dir, reason, m_ini.path())};
}

void Station::buildDataParts()
{
    m_files = std::make_unique<ObjectFiles>(m_state.DataDir);
    m_archive = std::make_unique<DayArchive>(m_state.DataDir);
    connect(m_archive.get(), &DayArchive::failureChanged, this,
            [this](bool failing, const QString& message) {
                m_screen.setProblem(Source::Archive, failing ? message : QString());
            });
    connect(m_archive.get(), &DayArchive::syncRefused, this,
            [this](const QString& message) { m_screen.setProblem(Source::ArchiveSync, message); });
    m_panel = std::make_unique<MainPanelModel>(m_state, *m_files, m_grid, m_commands, *m_archive,
                                               m_clock);
    m_panel->attachScreen(&m_screen);
    m_context.emplace(StationContext{m_state, m_clock, m_beeper, *m_files, *m_archive, m_alarms,
                                     m_events, m_grid, m_commands, *m_panel, m_screen});
    m_decoder = std::make_unique<MessageDecoder>(*m_context);
    m_exchange = std::make_unique<StartupExchange>(*m_context);
    m_supervisor = std::make_unique<LinkSupervisor>(*m_context, *m_exchange);
    m_supervisor->setHousekeeping([this] { housekeeping(); });
    m_framer.setStartupHandler(
        [this](const QString& line, int m) { m_exchange->HandleStartupLine(line, m); });
    m_framer.setMessageHandler(
        [this](const QString& message, int m) { m_decoder->HandleModuleMessage(message, m); });
    buildOperators();
}

// The journal in the data directory; the operators and their log-in holds
// from the program directory. A file of operators that is there but cannot
// be used lets nobody log in, and every action that waits for a log-in is
// refused: the panel goes on watching, sounding and archiving, and the
// operator is told why and how to mend it.
void Station::buildOperators()
{
    m_journal = std::make_unique<Journal>(m_state.DataDir, m_clock);
    connect(m_journal.get(), &Journal::failureChanged, this,
            [this](bool failing, const QString& message) {
                m_screen.setProblem(Source::Journal, failing ? message : QString());
            });
    // Without a usable key the lines are still written, without chain values.
    const JournalKey::Loaded key = JournalKey::load(m_programDir, true);
    m_screen.setProblem(Source::JournalKey, key.problem);
    m_journal->setKey(key.key);
    // The lines left unwritten at the last exit go first, then whether the
    // last run ended with its exit line, then this start.
    if (!m_journal->recover(journalRecoveryPath()))
        m_screen.setProblem(Source::JournalRecovery, m_journal->lastRecoveryError());
    m_journal->noteUncleanEnd();
    m_loginHolds = std::make_unique<LoginHolds>(m_programDir);
    m_loginHolds->load();
    m_operators = std::make_unique<OperatorSession>(*m_journal, m_clock, *m_loginHolds,
                                                    m_config.operatorIdleMinutes);
    connect(m_operators.get(), &OperatorSession::holdsChanged, this,
            [this] { m_screen.setProblem(Source::LoginHolds, m_operators->holdsProblem()); });
    refreshOperators();
    m_panel->setOperatorActions(m_operators.get());
    // The start is journaled (and synced) before any port opens.
    m_operators->journal(JournalAction::Start, 0, 0, programVersion());
}

void Station::openPorts()
{
    const PortConfig& p1 = m_config.ports[0];
    const PortConfig& p2 = m_config.ports[1];
    if (p1.shouldOpen())
        m_keeper1.openAtStart(p1.token, p1.settings);
    // Port 2 is opened in both topologies, for module 2.
    if (m_state.ModuleEnabled[2] && p2.shouldOpen())
        m_keeper2.openAtStart(p2.token, p2.settings);
}

void Station::firstVersionRequest()
{
    for (int m = 1; m <= kModuleCount; ++m) {
        if (!m_state.ModuleEnabled[m])
            continue;
        const QByteArray ver(linktexts::kFirstVersionRequest.data(),
                             linktexts::kFirstVersionRequest.size());
        if (m_state.hubTopology())
            m_commands.writeRaw(1, '}' + QByteArray::number(m) + ver);
        else
            m_commands.writeRaw(m == 1 ? 1 : 2, ver);
        return;
    }
}

bool Station::startFeed(BrokerLink& link)
{
    if (!loaded() || !m_feedSettings.usable() || m_publisher)
        return false;
    const MqttSettings& mqtt = m_feedSettings.settings;
    // The pair first: at each connection its role goes out before the
    // status says "online", so a partner never reads this panel's "active"
    // of before its restart as a claim on the line.
    if (m_pair)
        m_pair->attach(&link);
    EventPublisher::Options options;
    options.prefix = mqtt.prefix;
    options.homeAssistant = mqtt.homeAssistant;
    options.broker = mqtt.brokerText();
    options.cursorPath = m_state.DataDir + QStringLiteral("/mqtt.cursor");
    if (m_pair)
        options.discoveryNode = mqtt.pair.node;
    m_publisher = std::make_unique<EventPublisher>(
        EventPublisher::Sources{m_state, *m_files, m_alarms, *m_archive, m_screen, m_clock}, link,
        options);
    if (m_pair)
        m_publisher->setDiscovering(m_pair->writes());
    m_publisher->start();

    JournalPublisher::Options journal;
    journal.prefix = mqtt.prefix;
    journal.broker = options.broker;
    journal.dataDir = m_state.DataDir;
    journal.cursorPath = m_state.DataDir + QStringLiteral("/mqtt-journal.cursor");
    m_journalPublisher = std::make_unique<JournalPublisher>(link, m_screen, m_clock, journal);
    connect(m_journal.get(), &Journal::appended, m_journalPublisher.get(), &JournalPublisher::wake);
    m_journalPublisher->start();
    return true;
}

bool Station::startForwarding(ReceiverLink& link)
{
    if (!loaded() || !m_forwardSettings.usable() || m_forwarder)
        return false;
    m_forwarder =
        std::make_unique<dc09::Forwarder>(dc09::Forwarder::Sources{*m_archive, m_screen, m_clock},
                                          link, m_forwardSettings.settings, m_state.DataDir);
    if (m_pair) {
        // Only the active panel forwards; the standby's cursor follows the
        // partner's place at the centre, so that on taking over it neither
        // leaves a gap nor sends the day again.
        m_forwarder->setSending(m_pair->writes());
        m_pair->followForwarding();
        connect(m_forwarder.get(), &dc09::Forwarder::acknowledged, this,
                [this](const QString& day, const QByteArray& text) {
                    m_forwardedPlace = day.toLatin1() + ' ' + text;
                });
        connect(m_pair.get(), &PairRoles::partnerForwarded, this, [this](const QByteArray& place) {
            const qsizetype blank = place.indexOf(' ');
            if (blank > 0)
                m_forwarder->followPartner(QString::fromLatin1(place.left(blank)),
                                           place.mid(blank + 1));
        });
        connect(m_pair.get(), &PairRoles::writingStarted, m_forwarder.get(),
                [this] { m_forwarder->setSending(true); });
        connect(m_pair.get(), &PairRoles::writingStopped, m_forwarder.get(),
                [this] { m_forwarder->setSending(false); });
    }
    m_forwarder->start();
    return true;
}

// The pair's rules between the line and the broker: the gates of both ports
// and the supervision follow its role; it is checked once a second.
void Station::buildPair()
{
    const MqttSettingsFile::Result& read = m_feedSettings;
    PairRoles::Options options;
    options.prefix = read.settings.prefix;
    options.partner = read.settings.pair.partner;
    options.preferred = read.settings.pair.preferred;
    options.problems = read.pairProblems;
    if (!read.usable())
        options.problems << apptexts::pairWithoutBroker();
    m_pair = std::make_unique<PairRoles>(options, *m_mono, m_clock);
    m_line1.setShare(m_pair.get());
    m_line2.setShare(m_pair.get());
    m_supervisor->setLineShare(m_pair.get());
    m_operators->setLineRefusal(
        [this](const ActionRequest& request) { return refusalHere(request); });
    connect(m_pair.get(), &PairRoles::changed, this,
            [this] { m_screen.setProblem(Source::Pair, m_pair->problem()); });
    connect(m_pair.get(), &PairRoles::writingStarted, this, [this] {
        m_exchange->startAll();
        if (m_publisher)
            m_publisher->setDiscovering(true);
    });
    // An exchange under way is left to the panel that now has the line.
    connect(m_pair.get(), &PairRoles::writingStopped, this, [this] {
        m_state.StartupModule = 0;
        if (m_publisher)
            m_publisher->setDiscovering(false);
    });
    connect(m_pair.get(), &PairRoles::partnerState, this, &Station::takePartnerState);
    m_pairTimer.setInterval(PairRoles::kCheckMs);
    connect(&m_pairTimer, &QTimer::timeout, this, &Station::checkPair);
    m_pairTimer.start();
    m_screen.setProblem(Source::Pair, m_pair->problem());
}

qint64 Station::SteadyClock::msecs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Station::checkPair()
{
    // The place at the receiving centre goes to the partner at most once a second.
    if (m_forwardedPlace != m_sharedPlace && m_pair->writes()) {
        m_pair->shareForwarded(m_forwardedPlace);
        m_sharedPlace = m_forwardedPlace;
    }
    m_pair->setLineOpen((!m_keeper1.wanted() || m_keeper1.isOpen())
                        && (!m_keeper2.wanted() || m_keeper2.isOpen()));
    m_pair->check(m_framer.promptsHeard());
    // The standby knows the guard state from the partner and from what it
    // hears: its windows do not wait for an exchange it does not run.
    if (!m_pair->writes() && m_state.FirstStartPending)
        m_exchange->endStartupPhase();
}

// The partner's retained state of object k, for an object whose module this
// panel has not yet heard start: the grid shows what the active panel knows.
void Station::takePartnerState(int k, const QByteArray& word)
{
    if (k < 1 || k > kObjectCount || m_state.ModuleStarted[moduleOf(k)])
        return;
    if (word.isEmpty()) {
        m_state.ObjInstalled[k] = 0;
    } else {
        const int state = FeedMessages::stateOfWord(word);
        if (state < 0)
            return;
        m_state.ObjState[k] = qint16(state);
        m_state.ObjInstalled[k] = -1;
    }
    m_grid.repaintObject(k);
    m_grid.refreshRibbon(k);
}

// What a panel on standby refuses: everything that would write to the line.
QString Station::refusalHere(const ActionRequest& request) const
{
    switch (request.action) {
    case JournalAction::Take:
    case JournalAction::Release:
    case JournalAction::Measure:
    case JournalAction::Thresholds:
    case JournalAction::Restore:
        break;
    default:
        return {};
    }
    if (!m_pair || m_pair->writes())
        return {};
    if (!m_pair->partnerActive())
        return pair_texts::refusedNoActive().arg(request.text);
    return pair_texts::refusedOnStandby().arg(request.text, m_pair->partner());
}

// What mqtt.ini is now: whether it is there, its size and its time.
QString Station::feedSettingsStamp() const
{
    const QFileInfo info(QDir(m_programDir).filePath(MqttSettingsFile::fileName()));
    if (!info.exists())
        return {};
    return QString::number(info.size()) + QLatin1Char(' ')
           + QString::number(info.lastModified().toMSecsSinceEpoch());
}

// mqtt.ini is read at start only: a change while the panel runs is shown
// until the panel is started again (or the file is as it was).
void Station::checkFeedSettings()
{
    QStringList lines = m_feedSettings.problems;
    if (feedSettingsStamp() != m_feedStamp)
        lines.append(apptexts::feedSettingsChanged().arg(
            QDir(m_programDir).filePath(MqttSettingsFile::fileName())));
    m_screen.setProblem(Source::FeedConfig, lines.join(QLatin1Char('\n')));
}

// The operators file as it is now: an operator removed since the last
// reading is logged out, one added may log in.
void Station::refreshOperators()
{
    const OperatorsFile::Read read = OperatorsFile(m_programDir).read();
    m_operators->setOperators(read);
    m_screen.setProblem(Source::Operators, read.problem.isEmpty()
                                               ? m_operators->fileRefusal()
                                               : read.problem + QLatin1Char(' ') + read.mend);
}

void Station::tick()
{
    if (loaded()) {
        checkFeedSettings();
        refreshOperators();
    }
    if (m_supervisor)
        m_supervisor->tick();
}

void Station::housekeeping()
{
    m_keeper1.reopenIfFailed();
    m_keeper2.reopenIfFailed();
    // An active panel whose port stays closed leaves the line to its partner.
    if (m_pair
        && ((m_keeper1.wanted() && !m_keeper1.isOpen())
            || (m_keeper2.wanted() && !m_keeper2.isOpen())))
        m_pair->portFailed();
    m_archive->flushPending();
    m_panel->writePendingColors();
    m_optionsFile.retry();
    m_journal->retry();
}

} // namespace zelvan

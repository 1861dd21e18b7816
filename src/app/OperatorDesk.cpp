#include "app/OperatorDesk.h"

#include "app/LinkLostForm.h"
#include "app/LoginForm.h"
#include "app/SplashForm.h"
#include "app/Station.h"
#include "core/Logging.h"
#include "core/ScreenState.h"
#include "core/StationState.h"
#include "core/ZelvanIni.h"
#include "journal/JournalTexts.h"
#include "journal/OperatorSession.h"
#include "menu/MenuForm.h"
#include "menu/StateRestore.h"
#include "pair/PairRoles.h"
#include "pair/PairTexts.h"
#include "panel/MainForm.h"
#include "panel/MainPanelModel.h"
#include "platform/BootClock.h"
#include "platform/FrontRequest.h"
#include "platform/MosquittoLink.h"
#include "platform/PrinterSink.h"
#include "platform/SerialPortLine.h"
#include "platform/ThreadedBrokerLink.h"
#include "platform/ThreadedReceiverLink.h"
#include "windows/AlarmBlink.h"
#include "windows/AlarmForm.h"
#include "windows/EventForm.h"
#include "windows/FirstPlacement.h"
#include "windows/KeypadForm.h"
#include "windows/KeypadModel.h"
#include "windows/ObjectInfoForm.h"
#include "windows/RaiseForm.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace zelvan {

namespace {

// What a window manager adds around a window (nothing without one).
QMargins frameMargins(const QWidget& w)
{
    const QRect outer = w.frameGeometry();
    const QRect inner = w.geometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                    outer.right() - inner.right(), outer.bottom() - inner.bottom());
}

} // namespace

OperatorDesk::OperatorDesk(Platform platform, QString programDir, QObject* parent)
    : QObject(parent), m_platform(platform), m_programDir(std::move(programDir))
{
}

OperatorDesk::~OperatorDesk()
{
    // A menu still open at exit is left as its close box would: changed
    // options are written once, then the window goes, before the station it
    // works on.
    if (m_menu) {
        m_menu->close();
        delete m_menu.data();
    }
    // The exit line reaches the broker before the client ends, within the
    // time the end waits for the client at most.
    if (m_station)
        m_station->end(QDeadlineTimer(ThreadedBrokerLink::kStopMs));
}

MenuForm* OperatorDesk::menuForm() const { return m_menu.data(); }

QStringList OperatorDesk::configuredDevices() const
{
    QStringList devices;
    const ZelvanIni ini(m_programDir);
    if (!ini.exists())
        return devices;
    for (const PortConfig& port : ini.readStartup().ports) {
        if (port.shouldOpen())
            devices << SerialPortLine::devicePath(port.token);
    }
    return devices;
}

OperatorDesk::Started OperatorDesk::start()
{
    if (!m_lock.acquire(m_programDir, configuredDevices())) {
        qCWarning(lcApp) << "another panel runs, process" << m_lock.holderPid();
        FrontRequest::ask(m_lock.holderPid());
        return {Outcome::AlreadyRunning, m_lock.what()};
    }
    m_frontRequest = std::make_unique<FrontRequest>();
    connect(m_frontRequest.get(), &FrontRequest::requested, this, &OperatorDesk::bringToFront);

    m_station = std::make_unique<Station>(m_platform.clock, m_platform.beeper, m_platform.port1,
                                          m_platform.port2, m_programDir);
    m_station->setMonotonicClock(m_platform.mono ? *m_platform.mono : m_bootClock);
    // The start-up window follows the load step from its first steps on.
    m_splash = std::make_unique<SplashForm>(m_station->screen());
    m_linkLost = std::make_unique<LinkLostForm>(m_station->screen());

    const Station::LoadResult loaded = m_station->load();
    if (!loaded.ok)
        return {Outcome::CannotLoad, loaded.message};

    buildWindows();
    startFeed();
    startForwarding();
    return {};
}

MosquittoLink::Options OperatorDesk::brokerOptions(const MqttSettings& s)
{
    MosquittoLink::Options o;
    o.host = s.host;
    o.port = s.port;
    o.tls = s.tls;
    o.caFile = s.caFile;
    o.certFile = s.certFile;
    o.keyFile = s.keyFile;
    o.username = s.username;
    o.password = s.password;
    o.clientId = s.clientId;
    o.keepalive = s.keepalive;
    o.willTopic = s.prefix + QStringLiteral("/status");
    return o;
}

// Nothing opens to the network without a usable mqtt.ini.
void OperatorDesk::startFeed()
{
    const MqttSettingsFile::Result& read = m_station->feedSettings();
    if (!read.usable())
        return;
    const MosquittoLink::Options o = brokerOptions(read.settings);
    // The client runs on a thread of its own: resolving the broker's name or
    // a slow network never holds the serial line, the archive or the windows.
    m_broker =
        std::make_unique<ThreadedBrokerLink>([o] { return std::make_unique<MosquittoLink>(o); });
    m_station->startFeed(*m_broker);
    m_broker->start();
}

// Nothing is forwarded, and no socket opened, without a usable dc09.ini.
void OperatorDesk::startForwarding()
{
    if (!m_station->forwardSettings().usable())
        return;
    m_receiver = std::make_unique<ThreadedReceiverLink>();
    m_station->startForwarding(*m_receiver);
}

void OperatorDesk::buildWindows()
{
    Station& s = *m_station;
    m_main = std::make_unique<MainForm>(s.panel(), s.screen());
    m_info =
        std::make_unique<ObjectInfoForm>(ObjectHistory(s.state(), s.files(), m_platform.clock));
    m_blink = std::make_unique<AlarmBlink>(s.state(), s.alarms(), s.screen(), m_platform.beeper);
    m_alarms = std::make_unique<AlarmForm>(s.alarms(), s.screen(), *m_blink, *m_info);
    m_events = std::make_unique<EventForm>(s.events(), s.screen(), *m_info);
    m_keypadModel = std::make_unique<KeypadModel>(s.state(), s.panel());
    // The desk places the keypad with the other windows.
    m_keypad = std::make_unique<KeypadForm>(s.screen(), *m_keypadModel, nullptr);
    m_restore = std::make_unique<StateRestore>(s.state(), s.commands(), &s.screen());

    connect(m_main.get(), &MainForm::menuRequested, this, &OperatorDesk::openMenu);
    connect(&s.screen(), &ScreenState::changed, this, &OperatorDesk::followScreen);
    connect(&s.screen(), &ScreenState::raiseMainRequested, this, [this] {
        if (m_main->isVisible())
            raiseForm(*m_main, true);
    });
    // Raised, not activated: the operator typing in another window keeps the keyboard.
    connect(&s.screen(), &ScreenState::raiseAlarmsRequested, this, [this] {
        if (m_alarms->isVisible())
            raiseForm(*m_alarms);
    });
    m_blink->silence().setOperatorActions(&s.operators());
    m_restore->setOperatorActions(&s.operators());
    buildLogin();
    buildPairStrip();
    placeWindows();
    followScreen();
}

// A panel of a pair shows which panel is active, offers the hand-over (when
// it has the line) or the take-over (when nobody has it and it cannot see
// its partner), and says why an action that would write was refused.
void OperatorDesk::buildPairStrip()
{
    PairRoles* pair = m_station->pair();
    if (!pair)
        return;
    connect(pair, &PairRoles::changed, this, &OperatorDesk::showPair);
    connect(m_main.get(), &MainForm::pairButtonClicked, this, &OperatorDesk::pairButtonClicked);
    connect(&m_station->operators(), &OperatorSession::lineRefused, m_main.get(),
            &MainForm::showPairNotice);
    showPair();
}

void OperatorDesk::showPair()
{
    const PairRoles& pair = *m_station->pair();
    QString button;
    if (pair.canHandOver())
        button = pair_texts::handOverButton();
    else if (pair.takeOverOffered())
        button = pair_texts::takeOverButton();
    m_main->showPair(pair.activeText(), button);
    // A refusal said before the roles changed no longer holds.
    m_main->showPairNotice(QString());
}

void OperatorDesk::pairButtonClicked()
{
    PairRoles& pair = *m_station->pair();
    const bool handOver = pair.canHandOver();
    if (!handOver && !pair.takeOverOffered())
        return;
    const QString question = handOver ? pair_texts::handOverQuestion().arg(pair.partner())
                                      : pair_texts::takeOverQuestion().arg(pair.partner());
    const bool yes = m_confirm
                         ? m_confirm(m_main.get(), question)
                         : QMessageBox::question(m_main.get(), m_main->windowTitle(), question)
                               == QMessageBox::Yes;
    if (!yes)
        return;
    const JournalAction action = handOver ? JournalAction::HandOver : JournalAction::TakeOver;
    whenAllowed(&m_station->operators(), ActionRequest::plain(action), [this, action] {
        // After a log-in the roles may have changed: only what still holds is done.
        PairRoles& p = *m_station->pair();
        const bool handing = action == JournalAction::HandOver;
        if (handing ? !p.canHandOver() : !p.takeOverOffered())
            return;
        m_station->operators().journal(action, 0, 0, p.partner());
        if (handing)
            p.handOver();
        else
            p.takeOver();
    });
}

// Where operators log in: who is there on the main window, its button, and
// the dialog that an action waiting for a log-in opens. Built whether or not
// operators exist now: an operators file may come while the panel runs.
void OperatorDesk::buildLogin()
{
    OperatorSession& session = m_station->operators();
    m_login = std::make_unique<LoginForm>(session, m_main.get());
    m_login->setWindowFlag(Qt::Window);
    connect(&session, &OperatorSession::loginRequested, m_login.get(), &LoginForm::ask);
    connect(&session, &OperatorSession::actionRefused, m_login.get(), &LoginForm::showRefusal);
    connect(&session, &OperatorSession::pendingDropped, m_login.get(), &LoginForm::showGivenUp);
    connect(&session, &OperatorSession::operatorChanged, this, &OperatorDesk::showOperator);
    connect(&session, &OperatorSession::operatorsChanged, this, &OperatorDesk::showOperator);
    connect(m_main.get(), &MainForm::operatorButtonClicked, this, [this] {
        OperatorSession& o = m_station->operators();
        if (o.current().isEmpty())
            m_login->ask();
        else
            o.logout();
    });
    showOperator();
}

void OperatorDesk::showOperator()
{
    if (!m_station->operators().loginRequired())
        return;
    const QString name = m_station->operators().current();
    m_main->showOperator(
        journal_texts::operatorLine().arg(name.isEmpty() ? journal_texts::nobody() : name),
        name.isEmpty() ? journal_texts::loginButton() : journal_texts::logoutButton());
}

void OperatorDesk::placeWindows()
{
    const QScreen* screen = m_main->screen() ? m_main->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Before the main window is on screen its frame is not known; once it is,
    // every window is assumed to get the same frame.
    const QMargins frame = m_main->isVisible() ? frameMargins(*m_main) : QMargins();
    const auto outer = [&frame](const QWidget& w) { return w.size().grownBy(frame); };
    const layout::DeskSizes sizes{outer(*m_main), outer(*m_alarms), outer(*m_events),
                                  outer(*m_keypad), outer(*m_linkLost)};
    const layout::DeskPlacement p = layout::firstPlacement(screen->availableGeometry(), sizes);
    m_main->move(p.main.topLeft());
    m_alarms->resize(p.alarms.size().shrunkBy(frame));
    m_alarms->move(p.alarms.topLeft());
    m_events->resize(p.events.size().shrunkBy(frame));
    m_events->move(p.events.topLeft());
    m_keypad->move(p.keypad.topLeft());
    m_linkLost->move(p.linkLost.topLeft());
    qCInfo(lcApp) << "placed: main" << p.main << "violations" << p.alarms << "events" << p.events
                  << "keypad" << p.keypad << "link lost" << p.linkLost;
}

void OperatorDesk::followScreen()
{
    const bool wanted = m_station->screen().mainVisible();
    if (wanted == m_main->isVisible())
        return;
    m_main->setVisible(wanted);
    if (!wanted)
        return;
    raiseForm(*m_main);
    if (!m_mainShown) {
        m_mainShown = true;
        // The first show may have given the windows a frame: place again with it.
        if (frameMargins(*m_main) != QMargins())
            placeWindows();
    }
}

void OperatorDesk::openMenu()
{
    if (!m_menu) {
        Station& s = *m_station;
        // Printed on the default printer, or into PDF files in the data
        // directory's reports folder when no printer is installed.
        auto session = std::make_unique<MenuSession>(s.state(), s.screen(), s.files(), *m_restore,
                                                     s.optionsFile(), m_platform.clock);
        session->setOperatorActions(&s.operators());
        // Exports are never written into the program or the data directory.
        session->setProgramDir(s.programDir());
        session->setJournal(&s.journal());
        m_menu = new MenuForm(std::move(session),
                              std::make_unique<PrinterSink>(
                                  m_platform.clock, PrinterSink::reportsDirOf(s.state().DataDir)));
        // Files of reports go where the operator says in the system's save dialog.
        m_menu->setSavePathChooser(askSavePath);
        ++m_menusOpened;
    }
    m_menu->show();
    raiseForm(*m_menu, true);
}

void OperatorDesk::bringToFront()
{
    if (!m_main || !m_main->isVisible())
        return;
    m_main->showNormal();
    raiseForm(*m_main, true);
    if (m_alarms->isVisible())
        raiseForm(*m_alarms);
}

} // namespace zelvan

// The program: builds the station over the real ports, clock and sound,
// creates its windows and runs the event loop.
#include "app/AppTexts.h"
#include "app/LinkLostForm.h"
#include "app/SplashForm.h"
#include "app/Station.h"
#include "core/ScreenState.h"
#include "platform/SerialPortLine.h"
#include "platform/SystemClock.h"
#include "platform/ToneBeeper.h"
#include "menu/MenuForm.h"
#include "panel/MainForm.h"
#include "menu/MenuForm.h"
#include "panel/MainPanelModel.h"
#include "windows/AlarmBlink.h"
#include "windows/AlarmForm.h"
#include "windows/EventForm.h"
#include "windows/KeypadForm.h"
#include "windows/KeypadModel.h"
#include "windows/ObjectInfoForm.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QStandardPaths>
#include <QPointer>
#include <QTextStream>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using zelvan::ScreenState;

// Without a display the station still monitors and archives: it runs on the
// offscreen platform, and says so.
void chooseOffscreenWithoutDisplay()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY")
        || qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        return;
    std::fputs("zelvan: no display; running without windows (offscreen)\n", stderr);
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The program directory holds zelvan.ini. Without --home it is the directory
// of the executable; an installed program (in a directory the operator cannot
// write, and with no zelvan.ini there) uses the per-user data directory instead.
QString defaultProgramDir()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (QFileInfo::exists(exeDir + QStringLiteral("/zelvan.ini")) || QFileInfo(exeDir).isWritable())
        return exeDir;
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(user);
    QTextStream(stderr) << "zelvan: " << exeDir << " is not writable; program directory " << user << '\n';
    return user;
}

// Centred on the screen, hidden until the start-up has finished.
void centreOnScreen(QWidget& window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = window.frameGeometry().size().expandedTo(window.sizeHint());
    window.move(area.left() + (area.width() - size.width()) / 2,
                area.top() + (area.height() - size.height()) / 2);
}

bool interactivePlatform()
{
    const QString p = QGuiApplication::platformName();
    return p != QLatin1String("offscreen") && p != QLatin1String("minimal");
}

// Shows and hides the windows whose visibility the engine decides, each time
// the engine changes it (an operator who closes one keeps it closed until then).
class WindowPresenter
{
public:
    explicit WindowPresenter(ScreenState& screen) : m_screen(screen)
    {
        QObject::connect(&screen, &ScreenState::changed, [this] { sync(); });
    }
    void follow(QWidget* window, std::function<bool(const ScreenState&)> visible)
    {
        m_windows.push_back({window, std::move(visible), false});
        sync();
    }
    void sync()
    {
        for (Entry& e : m_windows) {
            const bool want = e.visible(m_screen);
            if (want == e.applied)
                continue;
            e.applied = want;
            e.window->setVisible(want);
            if (want)
                e.window->raise();
        }
    }

private:
    struct Entry
    {
        QWidget* window;
        std::function<bool(const ScreenState&)> visible;
        bool applied;
    };
    ScreenState& m_screen;
    std::vector<Entry> m_windows;
};

} // namespace

int main(int argc, char* argv[])
{
    chooseOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    QApplication::setApplicationName(zelvan::apptexts::kProgramName);
    QApplication::setApplicationVersion(zelvan::apptexts::kProgramVersion);

    QCommandLineParser parser;
    parser.setApplicationDescription(zelvan::apptexts::kProgramDescription);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption homeOption(
        QStringLiteral("home"),
        QStringLiteral("Program directory holding zelvan.ini; created when missing (default: the "
                       "directory of the executable, or the per-user data directory when that "
                       "cannot be written)."),
        QStringLiteral("DIR"));
    parser.addOption(homeOption);
    parser.process(app);

    QString programDir;
    if (parser.isSet(homeOption)) {
        const QString home = parser.value(homeOption);
        if (!QDir().mkpath(home) || !QFileInfo(home).isDir()) {
            QTextStream(stderr) << "zelvan: --home " << home << " is not a directory and cannot be created\n";
            return 2;
        }
        programDir = QFileInfo(home).absoluteFilePath();
    } else {
        programDir = defaultProgramDir();
    }

    zelvan::SystemClock clock;
    zelvan::ToneBeeper beeper;
    zelvan::SerialPortLine port1;
    zelvan::SerialPortLine port2;
    zelvan::Station station(clock, beeper, port1, port2, programDir);

    zelvan::SplashForm splash(station.screen());
    zelvan::LinkLostForm linkLost(station.screen());

    const zelvan::Station::LoadResult loaded = station.load();
    if (!loaded.ok) {
        QTextStream(stderr) << "zelvan: " << loaded.message << '\n';
        if (interactivePlatform())
            QMessageBox::critical(nullptr, zelvan::apptexts::kSplashTitle, loaded.message);
        return 1;
    }

    // The windows of the running station. The violations, events and keypad
    // windows exist from here on, hidden, and follow the screen state.
    zelvan::StationContext& ctx = station.context();
    zelvan::MainForm mainForm(ctx, station.panel());
    centreOnScreen(mainForm);
    zelvan::ObjectInfoForm info(ctx);
    zelvan::AlarmBlink blink(station.state(), station.alarms(), station.screen(), beeper);
    zelvan::AlarmForm alarmForm(ctx, blink, info);
    zelvan::EventForm eventForm(ctx, info);
    zelvan::KeypadModel keypadModel(station.state(), station.panel());
    zelvan::KeypadForm keypadForm(ctx, keypadModel, &mainForm);

    // The menu window lives from the press of "Меню" until it is left; a
    // second press while it is open brings it to the front.
    QPointer<zelvan::MenuForm> menu;
    QObject::connect(&mainForm, &zelvan::MainForm::menuRequested, &mainForm, [&] {
        if (!menu) {
            menu = new zelvan::MenuForm(ctx, station.ini());
            menu->setAttribute(Qt::WA_DeleteOnClose);
        }
        menu->show();
        menu->raise();
        menu->activateWindow();
    });

    WindowPresenter presenter(station.screen());
    presenter.follow(&mainForm, [](const ScreenState& s) { return s.mainVisible(); });
    QObject::connect(&station.screen(), &ScreenState::raiseMainRequested, &mainForm, [&mainForm] {
        if (mainForm.isVisible()) {
            mainForm.raise();
            mainForm.activateWindow();
        }
    });

    // The menu window: created when the menu button is pressed and deleted when
    // it is left; while it is open the button brings it to the front.
    QPointer<zelvan::MenuForm> menuForm;
    QObject::connect(&mainForm, &zelvan::MainForm::menuRequested, &mainForm,
                     [&menuForm, &ctx, &station] {
                         if (menuForm.isNull())
                             menuForm = new zelvan::MenuForm(ctx, station.ini());
                         menuForm->show();
                         menuForm->raise();
                         menuForm->activateWindow();
                     });

    const int result = app.exec();
    delete menuForm.data(); // before the station it works on
    return result;
}

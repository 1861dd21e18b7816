// Start-up of eight simulated modules on a pseudo-terminal whose module side is
// paced at 4800 baud, through the real serial line, compared with the time the
// bytes of the exchange need on such a line: the start-up must finish within
// 10 % more than the line time of the modules' bytes.
//
//   build/bench/bench_startup [--quick] [baud]
#include "Verdict.h"
#include "app/Station.h"
#include "modsim/ModuleSimulator.h"
#include "modsim/PtyLink.h"
#include "platform/SerialPortLine.h"
#include "support/Fakes.h"
#include "support/StationIni.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

using namespace zelvan;

int main(int argc, char* argv[])
{
    bench::Verdict verdict(argc, argv);
    QCoreApplication app(argc, argv);
    const int baud = argc > 1 ? QByteArray(argv[1]).toInt() : 4800;
    QTextStream out(stdout);

    QTemporaryDir home;
    modsim::ModuleSimulator sim;
    modsim::PtyLink link;
    link.setBaud(baud);
    QString error;
    const QString linkPath = home.filePath(QStringLiteral("modules"));
    if (!link.open(linkPath, &error)) {
        out << "cannot open the pseudo-terminal: " << error << '\n';
        return 1;
    }
    quint64 toModules = 0;
    quint64 toPanel = 0;
    QObject::connect(&link, &modsim::PtyLink::received, &sim, [&](const QByteArray& b) {
        toModules += quint64(b.size());
        sim.receive(1, b);
    });
    QObject::connect(&sim, &modsim::ModuleSimulator::output, &link,
                     [&](int line, const QByteArray& b) {
                         if (line != 1)
                             return;
                         toPanel += quint64(b.size());
                         link.write(b);
                     });

    if (!test::writeStationIni(home.path(), linkPath)) {
        out << "zelvan.ini cannot be written\n";
        return 1;
    }

    test::FakeClock clock(QDateTime::currentDateTime());
    test::CountingBeeper beeper;
    SerialPortLine port1;
    SerialPortLine port2;
    Station station(clock, beeper, port1, port2, home.path());

    QElapsedTimer timer;
    timer.start();
    if (!station.load().ok)
        return 1;
    station.tickTimer().stop();
    QObject::connect(&station.screen(), &ScreenState::changed, &app, [&] {
        if (station.screen().mainVisible())
            app.quit();
    });
    QTimer::singleShot(120000, &app, [&] { app.exit(2); });
    const int rc = station.screen().mainVisible() ? 0 : app.exec();
    const double elapsed = timer.nsecsElapsed() / 1e9;
    if (rc != 0) {
        out << "start-up did not finish\n";
        return rc;
    }
    const double paced = double(toPanel) * 10.0 / baud;
    const double both = double(toPanel + toModules) * 10.0 / baud;
    out << "modules started: 8 at " << baud << " baud\n"
        << "bytes modules->panel: " << toPanel << ", panel->modules: " << toModules << '\n'
        << QStringLiteral("line time of the modules' bytes: %1 s\n").arg(paced, 0, 'f', 3)
        << QStringLiteral("line time of all bytes (half duplex): %1 s\n").arg(both, 0, 'f', 3)
        << QStringLiteral("start-up took: %1 s (%2 % of the modules' line time)\n")
               .arg(elapsed, 0, 'f', 3)
               .arg(elapsed / paced * 100.0, 0, 'f', 1)
        << QStringLiteral("limit 110 % of the modules' line time: %1\n")
               .arg(QLatin1String(verdict.timed(elapsed <= paced * 1.10)));
    return verdict.exitCode();
}

#pragma once

// The station as the program builds it (real serial line, real clock, real
// files) with port 1 on the slave side of a pseudo-terminal; the benchmark
// plays the hub on the master side.
#include "app/Station.h"
#include "events/DayArchive.h"
#include "platform/SerialPortLine.h"
#include "platform/SystemClock.h"
#include "support/Fakes.h"
#include "support/PseudoTerminal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

namespace zelvan::bench {

inline double monotonicSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

// VmRSS of this process in kB, from /proc/self/status.
inline long residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

class PanelOnPty
{
public:
    struct Options
    {
        QString settings = QStringLiteral("4800,n,8,1"); // [CommPort] settings of port 1
        QString moduls = QStringLiteral("YYYYYYYY");
        QString device;           // port 1 device; empty: the slave of this rig's pseudo-terminal
        bool supervision = false; // keep the 10-second supervision tick running
        std::function<void(Station&)> beforeLoad;
    };

    PanelOnPty() : PanelOnPty(Options{}) {}
    explicit PanelOnPty(const Options& o)
    {
        if (!pty.isValid() || !home.isValid())
            fail("no pseudo-terminal or temporary directory");
        const QString device = o.device.isEmpty() ? pty.slavePath() : o.device;
        const QStringList lines{"[DirData]",
                                home.filePath(QStringLiteral("Data")),
                                "",
                                "[Visible 0]",
                                "N",
                                "",
                                "[System]",
                                "0",
                                "",
                                "[Hub]",
                                "Y",
                                "",
                                "[CommPort]",
                                device,
                                o.settings,
                                "0",
                                "4800,n,8,1",
                                "",
                                "[Moduls]",
                                o.moduls,
                                "",
                                "[Options]",
                                "1",
                                "1",
                                "0",
                                "1",
                                "0",
                                "0",
                                "",
                                "[FontPrinter]",
                                "MS Sans Serif",
                                "11",
                                "0",
                                "0"};
        QFile ini(home.filePath(QStringLiteral("zelvan.ini")));
        if (!ini.open(QIODevice::WriteOnly))
            fail("zelvan.ini cannot be written");
        ini.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
        ini.close();
        if (o.beforeLoad)
            o.beforeLoad(station);
        const double start = monotonicSeconds();
        const Station::LoadResult loaded = station.load();
        loadSeconds = monotonicSeconds() - start;
        if (!loaded.ok)
            fail(qPrintable(loaded.message));
        if (!port1.isOpen())
            fail("port 1 did not open on the pseudo-terminal");
        // Supervision would declare the silent modules lost every 10 s and
        // write their records into the same day file; it is not on the road
        // of one message, so it stays off while a benchmark plays the hub.
        if (!o.supervision)
            station.tickTimer().stop();
    }

    [[noreturn]] static void fail(const char* why)
    {
        std::fprintf(stderr, "bench: %s\n", why);
        std::exit(2);
    }

    QString dayFile() const { return station.archive().dayFilePath(clock.now().date()); }
    qint64 dayFileSize() const { return QFileInfo(dayFile()).size(); }
    // Records of every day file (a run may cross midnight).
    qint64 archivedRecords() const
    {
        qint64 n = 0;
        for (const QString& path : dayFiles()) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                n += f.readAll().count("\r\n");
        }
        return n;
    }
    // Bytes of every day file: a cheap measure of progress.
    qint64 archivedBytes() const
    {
        qint64 n = 0;
        for (const QString& path : dayFiles())
            n += QFileInfo(path).size();
        return n;
    }
    QStringList dayFiles() const
    {
        QStringList out;
        const QDir data(station.state().DataDir);
        for (const QString& name : data.entryList({QStringLiteral("*.dat")}, QDir::Files)) {
            if (name.size() == 12 && name[2] == QLatin1Char('-') && name[5] == QLatin1Char('-'))
                out << data.filePath(name); // a day file is "yy-mm-dd.dat"
        }
        return out;
    }

    test::PseudoTerminal pty;
    QTemporaryDir home;
    SystemClock clock;
    test::CountingBeeper beeper;
    SerialPortLine port1;
    SerialPortLine port2;
    double loadSeconds = 0;
    mutable Station station{clock, beeper, port1, port2, home.path()};
};

} // namespace zelvan::bench

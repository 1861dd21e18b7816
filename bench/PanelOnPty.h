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
#include "support/StationIni.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <utility>
#include <vector>

namespace zelvan::bench {

inline double monotonicSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

// CPU time of the calling thread: the work itself, without the waits for a
// processor that other load on the machine adds to the elapsed time.
inline double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
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
        test::StationIniOptions ini;
        ini.settings1 = o.settings;
        ini.moduls = o.moduls;
        if (!test::writeStationIni(home.path(), device, ini))
            fail("zelvan.ini cannot be written");
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
    // The object records of every day file in order, as (k, letter): whole
    // "kkkkccffffff" lines whose k is not 0000 (module records).
    std::vector<std::pair<int, char>> objectRecords() const
    {
        std::vector<std::pair<int, char>> out;
        for (const QString& path : dayFiles()) {
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly))
                continue;
            const QList<QByteArray> lines = f.readAll().split('\n');
            for (const QByteArray& line : lines) {
                if (line.size() != 13 || !line.endsWith('\r') || line.startsWith("0000"))
                    continue;
                out.emplace_back(line.left(4).toInt(), char(line.mid(4, 2).toInt()));
            }
        }
        return out;
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

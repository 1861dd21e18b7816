#pragma once

// What the MQTT benchmarks share: a real mosquitto broker in a temporary
// directory, the station's mqtt.ini for it, and waiting on the event loop.
#include "support/MosquittoBroker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace zelvan::bench {

struct BrokerForBench
{
    BrokerForBench()
    {
        if (test::MosquittoBroker::program(QStringLiteral("mosquitto")).isEmpty())
            die("mosquitto is missing (scripts/ensure-deps.sh installs it)");
        if (!broker.addUser(QStringLiteral("station"), QStringLiteral("station-pass"))
            || !broker.addUser(QStringLiteral("watcher"), QStringLiteral("watcher-pass")))
            die("mosquitto_passwd failed");
    }
    void start()
    {
        QString error;
        if (!broker.start(&error))
            die(qPrintable(error));
    }
    [[noreturn]] static void die(const char* why)
    {
        std::fprintf(stderr, "bench: %s\n", why);
        std::exit(2);
    }

    QTemporaryDir dir;
    test::MosquittoBroker broker{dir.path()};
};

// mqtt.ini (and its password file) for the station in programDir.
// mqtt.ini for a broker on `host`: with the station's user and password on
// loopback, anonymous elsewhere (a password is not sent without TLS).
inline void writeMqttIni(const QString& programDir, int port, const QString& prefix,
                         const QString& host = QStringLiteral("127.0.0.1"))
{
    QString credentials;
    if (host == QLatin1String("127.0.0.1")) {
        QFile pw(programDir + QStringLiteral("/mqtt.pass"));
        if (!pw.open(QIODevice::WriteOnly))
            BrokerForBench::die("mqtt.pass");
        pw.write("station-pass\n");
        pw.close();
        pw.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        credentials = QStringLiteral("username=station\npassword_file=mqtt.pass\n");
    }
    QFile f(programDir + QStringLiteral("/mqtt.ini"));
    if (!f.open(QIODevice::WriteOnly))
        BrokerForBench::die("mqtt.ini");
    f.write(QStringLiteral("[broker]\nhost=%3\nport=%1\n%4[topics]\nprefix=%2\n")
                .arg(port)
                .arg(prefix, host, credentials)
                .toUtf8());
}

// Runs the event loop until done() or the time is up; false on time-out.
inline bool waitFor(const std::function<bool()>& done, int ms)
{
    const QDeadlineTimer deadline(ms);
    // The thread sleeps until an event comes, as the panel's event loop does
    // (processEvents with a time limit returns at once when nothing waits,
    // and would spin a core the broker and the client thread need); the
    // timer wakes it at least every 50 ms to look at the condition.
    QTimer tick;
    tick.start(50);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace zelvan::bench

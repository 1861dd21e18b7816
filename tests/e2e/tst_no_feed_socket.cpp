// The real program without mqtt.ini and dc09.ini: once it runs, against the simulated hub
// on a pseudo-terminal, none of its descriptors is a TCP or UDP socket
// (looked up through /proc/<pid>/fd and the kernel's socket tables).
#include "modsim/ModuleSimulator.h"
#include "modsim/PtyLink.h"
#include "support/ModulesOnPty.h"
#include "support/StationIni.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using namespace zelvan;
using namespace zelvan::test;

namespace {

constexpr int kWaitMs = 60000;

// The socket inodes behind the descriptors of `pid`.
QSet<QByteArray> socketInodes(qint64 pid)
{
    QSet<QByteArray> out;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd :
         fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char target[256] = {};
        const QByteArray path = QFile::encodeName(fds.filePath(fd));
        const QByteArray link(target, int(::readlink(path.constData(), target, sizeof target - 1)));
        if (link.startsWith("socket:["))
            out.insert(link.mid(8, link.size() - 9));
    }
    return out;
}

// The inodes of the process's TCP and UDP sockets, IPv4 and IPv6.
QSet<QByteArray> networkInodes(qint64 pid)
{
    QSet<QByteArray> out;
    for (const char* table : {"tcp", "tcp6", "udp", "udp6"}) {
        QFile f(QStringLiteral("/proc/%1/net/%2").arg(pid).arg(QLatin1String(table)));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        f.readLine(); // the heading
        for (QByteArray line = f.readLine(); !line.isEmpty(); line = f.readLine()) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 9)
                out.insert(fields[9]);
        }
    }
    return out;
}

int startRecords(const QString& dataDir)
{
    int n = 0;
    for (const QString& name : QDir(dataDir).entryList({QStringLiteral("*.dat")}, QDir::Files)) {
        QFile f(dataDir + QLatin1Char('/') + name);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& l : f.readAll().split('\n'))
            n += l.size() >= 13 && l.mid(4, 2) == "83" ? 1 : 0;
    }
    return n;
}

} // namespace

class TestNoFeedSocket : public QObject
{
    Q_OBJECT
private slots:
    void withoutMqttIniNoNetworkSocket()
    {
        QTemporaryDir home;
        modsim::ModuleSimulator sim;
        modsim::PtyLink link;
        QString error;
        const QString linkPath = home.filePath(QStringLiteral("modules"));
        QVERIFY2(playModulesOnPty(sim, link, linkPath, &error), qPrintable(error));
        QVERIFY(writeStationIni(home.path(), linkPath));
        QVERIFY(!QFile::exists(home.filePath(QStringLiteral("mqtt.ini"))));
        QVERIFY(!QFile::exists(home.filePath(QStringLiteral("dc09.ini"))));

        QProcess panel;
        panel.setProcessChannelMode(QProcess::ForwardedChannels);
        panel.start(qEnvironmentVariable("ZELVAN_BUILD_DIR") + QStringLiteral("/zelvan"),
                    {QStringLiteral("--home"), home.path()});
        QVERIFY(panel.waitForStarted(kWaitMs));
        // Running: every module has been started up and archived.
        QTRY_VERIFY_WITH_TIMEOUT(startRecords(home.filePath(QStringLiteral("Data"))) >= 8, kWaitMs);
        const QSet<QByteArray> sockets = socketInodes(panel.processId());
        const QSet<QByteArray> network = networkInodes(panel.processId());
        const QSet<QByteArray> open = sockets & network;
        QVERIFY2(open.isEmpty(), qPrintable(QStringList(open.begin(), open.end()).join(' ')));
        panel.terminate();
        QVERIFY(panel.waitForFinished(kWaitMs));
    }
};

QTEST_GUILESS_MAIN(TestNoFeedSocket)
#include "tst_no_feed_socket.moc"

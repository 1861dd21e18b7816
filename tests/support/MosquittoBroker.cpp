#include "support/MosquittoBroker.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zelvan::test {

namespace {

constexpr int kStartMs = 10000;

} // namespace

MosquittoBroker::MosquittoBroker(QString dir) : m_dir(std::move(dir)), m_port(freePort())
{
    QFile file(passwordFile());
    if (file.open(QIODevice::WriteOnly))
        file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

MosquittoBroker::~MosquittoBroker()
{
    if (running()) {
        m_process.kill();
        m_process.waitForFinished(kStartMs);
    }
}

QString MosquittoBroker::program(const QString& name)
{
    const QString onPath = QStandardPaths::findExecutable(name);
    if (!onPath.isEmpty())
        return onPath;
    return QStandardPaths::findExecutable(
        name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
}

int MosquittoBroker::freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

bool MosquittoBroker::addUser(const QString& user, const QString& password)
{
    QProcess p;
    p.start(program(QStringLiteral("mosquitto_passwd")),
            {QStringLiteral("-b"), passwordFile(), user, password});
    return p.waitForFinished(kStartMs) && p.exitStatus() == QProcess::NormalExit
           && p.exitCode() == 0;
}

void MosquittoBroker::useTls(const QString& caFile, const QString& certFile, const QString& keyFile)
{
    m_tls = QStringLiteral("cafile %1\ncertfile %2\nkeyfile %3\n").arg(caFile, certFile, keyFile);
}

bool MosquittoBroker::start(QString* error)
{
    const QString conf = m_dir + QStringLiteral("/mosquitto.conf");
    QFile f(conf);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    // As root the broker would change to its own user, who may not enter
    // the test's directory: it keeps the test's user.
    const QString user = ::geteuid() == 0 ? QStringLiteral("user root\n") : QString();
    // A persistent subscriber that is away, or slower than a backlog sent
    // after an outage, must not lose what the broker has already acknowledged
    // to the panel: no bound on its queue (the default drops past 1,000 QoS 1
    // messages, "Outgoing messages are being dropped for client …"). The
    // database is saved every minute as well as at the end, and a session
    // that has not come back for a day is forgotten.
    f.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous false\npassword_file %2\n"
                           "persistence true\npersistence_location %3/\n"
                           "max_queued_messages 1000000\nautosave_interval 60\n"
                           "persistent_client_expiration 1d\n%4%5")
                .arg(m_port)
                .arg(passwordFile(), m_dir, user, m_tls)
                .toUtf8());
    f.close();
    m_log.clear();
    m_process.start(program(QStringLiteral("mosquitto")), {QStringLiteral("-c"), conf});
    const QDeadlineTimer deadline(kStartMs);
    while (!deadline.hasExpired()) {
        if (!m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))
            && m_process.state() == QProcess::NotRunning)
            break;
        m_log += m_process.readAll();
        if (m_log.contains(" running"))
            return true;
    }
    if (error)
        *error = QStringLiteral("mosquitto did not start: ") + QString::fromUtf8(m_log)
                 + m_process.errorString();
    return false;
}

QByteArray MosquittoBroker::log()
{
    m_log += m_process.readAll();
    return m_log;
}

void MosquittoBroker::stop()
{
    if (!running())
        return;
    m_process.terminate();
    m_process.waitForFinished(kStartMs);
    m_log += m_process.readAll();
}

MqttSubscriber::MqttSubscriber(int port, const QString& user, const QString& password,
                               const QStringList& topics, const QString& clientId, bool persistent,
                               const QStringList& extra)
{
    m_args = QStringList{QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
                         QStringLiteral("-p"), QString::number(port),
                         QStringLiteral("-u"), user,
                         QStringLiteral("-P"), password,
                         QStringLiteral("-i"), clientId,
                         QStringLiteral("-q"), QStringLiteral("1")};
    if (persistent)
        m_args << QStringLiteral("-c");
    for (const QString& t : topics)
        m_args << QStringLiteral("-t") << t;
    m_args += extra;
}

MqttSubscriber::~MqttSubscriber()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(kStartMs);
    }
}

bool MqttSubscriber::start()
{
    m_process.start(MosquittoBroker::program(QStringLiteral("mosquitto_sub")), m_args);
    return m_process.waitForStarted(kStartMs);
}

const QList<QByteArray>& MqttSubscriber::lines()
{
    m_partial += m_process.readAllStandardOutput();
    qsizetype from = 0;
    for (qsizetype lf = m_partial.indexOf('\n'); lf >= 0; lf = m_partial.indexOf('\n', from)) {
        m_lines.append(m_partial.mid(from, lf - from));
        from = lf + 1;
    }
    m_partial.remove(0, from);
    return m_lines;
}

bool publishOnce(int port, const QString& user, const QString& password, const QString& topic,
                 const QByteArray& payload, bool retain)
{
    QStringList args{QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
                     QStringLiteral("-p"), QString::number(port),
                     QStringLiteral("-u"), user,
                     QStringLiteral("-P"), password,
                     QStringLiteral("-q"), QStringLiteral("1"),
                     QStringLiteral("-t"), topic};
    if (payload.isEmpty())
        args << QStringLiteral("-n");
    else
        args << QStringLiteral("-m") << QString::fromUtf8(payload);
    if (retain)
        args << QStringLiteral("-r");
    QProcess p;
    p.start(MosquittoBroker::program(QStringLiteral("mosquitto_pub")), args);
    return p.waitForFinished(kStartMs) && p.exitStatus() == QProcess::NormalExit
           && p.exitCode() == 0;
}

QMap<QString, QByteArray> retainedMessages(int port, const QString& user, const QString& password,
                                           const QStringList& filters, const QString& endTopic,
                                           const QString& clientId)
{
    MqttSubscriber sub(port, user, password, filters + QStringList{endTopic}, clientId, false,
                       {QStringLiteral("-v"), QStringLiteral("--retained-only")});
    if (!sub.start())
        return {};
    // (waitForFinished is false for a process that has already ended.)
    const QDeadlineTimer deadline(kStartMs * 6);
    while (sub.process().state() != QProcess::NotRunning && !sub.process().waitForFinished(100)) {
        if (deadline.hasExpired() || !publishOnce(port, user, password, endTopic, "x", false))
            return {};
    }
    QMap<QString, QByteArray> retained;
    for (const QByteArray& l : sub.lines()) {
        const qsizetype space = l.indexOf(' ');
        if (space > 0)
            retained.insert(QString::fromUtf8(l.left(space)), l.mid(space + 1));
    }
    return retained;
}

} // namespace zelvan::test

#include "support/PanelProcess.h"

#include <QDir>
#include <QFile>
#include <csignal>

namespace zelvan::test {

namespace {

constexpr int kWaitMs = 60000;

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size()
           && f.flush();
}

} // namespace

PanelProcess::PanelProcess(QString home)
    : m_home(std::move(home)), m_env(QProcessEnvironment::systemEnvironment())
{
    m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
}

PanelProcess::~PanelProcess()
{
    if (running()) {
        m_process.kill();
        m_process.waitForFinished(kWaitMs);
    }
}

QString PanelProcess::program()
{
    return qEnvironmentVariable("ZELVAN_BUILD_DIR") + QStringLiteral("/zelvan");
}

bool PanelProcess::start()
{
    if (m_logFile.isEmpty()) {
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    } else {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.setStandardOutputFile(m_logFile, QIODevice::Append);
        m_process.setStandardErrorFile(m_logFile, QIODevice::Append);
    }
    m_process.setProcessEnvironment(m_env);
    m_process.start(program(), {QStringLiteral("--home"), m_home});
    return m_process.waitForStarted(kWaitMs);
}

void PanelProcess::signal(int sig)
{
    if (!running())
        return;
    ::kill(pid_t(m_process.processId()), sig);
    if (sig == SIGKILL)
        m_process.waitForFinished(kWaitMs);
}

bool PanelProcess::stop()
{
    if (!running())
        return true;
    m_process.terminate();
    return m_process.waitForFinished(kWaitMs);
}

bool writeMqttIni(const QString& home, int port, const QString& user, const QString& password,
                  const QString& prefix, int keepalive, const QString& more)
{
    const QDir dir(home);
    const QString pass = dir.filePath(QStringLiteral("mqtt.pass"));
    if (!writeFile(pass, password.toUtf8() + '\n')
        || !QFile::setPermissions(pass, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    QString text = QStringLiteral("[broker]\nhost=127.0.0.1\nport=%1\nusername=%2\n"
                                  "password_file=mqtt.pass\n")
                       .arg(port)
                       .arg(user);
    if (keepalive > 0)
        text += QStringLiteral("keepalive=%1\n").arg(keepalive);
    text += QStringLiteral("[topics]\nprefix=%1\n").arg(prefix) + more;
    return writeFile(dir.filePath(QStringLiteral("mqtt.ini")), text.toUtf8());
}

QStringList dayFiles(const QString& dataDir)
{
    QStringList days;
    for (const QString& f : QDir(dataDir).entryList({"*.dat"}, QDir::Files, QDir::Name)) {
        if (f.size() == 12 && f[2] == u'-' && f[5] == u'-')
            days.append(f);
    }
    return days;
}

QByteArrayList dayLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArrayList lines = f.readAll().split('\n');
    lines.removeLast(); // after the last LF: nothing, or a line not yet whole
    for (QByteArray& l : lines) {
        if (l.endsWith('\r'))
            l.chop(1);
    }
    return lines;
}

} // namespace zelvan::test

#pragma once

#include <QByteArrayList>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace zelvan::test {

// The real program ($ZELVAN_BUILD_DIR/zelvan) as a process of the test, on a
// program directory the test wrote (--home), without a display
// (QT_QPA_PLATFORM=offscreen). Its output goes with the test's own, or is
// appended to a file. It may be started again after it ended.
class PanelProcess
{
public:
    explicit PanelProcess(QString home);
    ~PanelProcess(); // a panel still running is killed
    PanelProcess(const PanelProcess&) = delete;
    PanelProcess& operator=(const PanelProcess&) = delete;

    static QString program();
    QString home() const { return m_home; }
    // Standard output and error appended to path from the next start on.
    void setLogFile(const QString& path) { m_logFile = path; }
    void setEnvironment(const QString& name, const QString& value) { m_env.insert(name, value); }

    bool start();
    bool running() const { return m_process.state() != QProcess::NotRunning; }
    qint64 pid() const { return m_process.processId(); }
    // Sends the signal; after SIGKILL, waits until the process has ended.
    void signal(int sig);
    // SIGTERM, and the wait for the end.
    bool stop();
    QProcess& process() { return m_process; }

private:
    QString m_home;
    QString m_logFile;
    QProcessEnvironment m_env;
    QProcess m_process;
};

// <home>/mqtt.ini for a panel publishing under prefix to the broker on the
// loopback port, as user with the password in <home>/mqtt.pass (owner only);
// keepalive 0 leaves it out; `more` follows the [topics] section (a section of
// its own). False when a file cannot be written.
bool writeMqttIni(const QString& home, int port, const QString& user, const QString& password,
                  const QString& prefix, int keepalive = 0, const QString& more = {});

// The day files of a data directory (yy-mm-dd.dat), oldest first.
QStringList dayFiles(const QString& dataDir);
// The lines of a day file without CR LF; a last line not yet ended is left out.
QByteArrayList dayLines(const QString& path);

} // namespace zelvan::test

#pragma once

#include <QObject>
#include <QString>

namespace zelvan {

class SerialLine;

// Keeps one serial port open: opens it at start with its [CommPort] token and
// settings, writes CR and discards whatever was waiting; when the line fails
// (adapter pulled) closes it, and reopens it at each supervision tick until it
// opens again. The modules on a closed port send no signs of life, so the
// supervision reports them as silent meanwhile.
class PortKeeper : public QObject
{
    Q_OBJECT
public:
    PortKeeper(SerialLine& line, int portNumber, QObject* parent = nullptr);

    // Remembers the token and settings and opens the port. False when it did not open.
    bool openAtStart(const QString& token, const QString& settings);
    // Called at each supervision tick: reopens the port when it should be open and is not.
    bool reopenIfFailed();

    bool wanted() const { return m_wanted; }
    bool isOpen() const;
    // Times the port was reopened after a failure.
    int reopenCount() const { return m_reopens; }
    // The last failure, empty while the port is healthy.
    QString failure() const { return m_failure; }

    // What the operator must know of the port: why it is closed, or which of
    // its [CommPort] settings it could not use; empty while all is well.
    QString problem() const { return m_failure.isEmpty() ? m_settingsProblem : m_failure; }

    // The problem text for settings faults (SerialLine::SettingsFault bits).
    static QString settingsProblem(int port, const QString& token, const QString& settings,
                                   int faults);

signals:
    // The port failed, came back, or opened with settings it could not use;
    // text is problem(): the device and the reason, empty when all is well.
    void stateChanged(bool open, const QString& text);

private:
    bool openNow();
    void onFailed(const QString& reason);

    SerialLine& m_line;
    int m_port;
    bool m_wanted = false;
    QString m_token;
    QString m_settings;
    QString m_failure;
    QString m_settingsProblem;
    int m_reopens = 0;
};

} // namespace zelvan

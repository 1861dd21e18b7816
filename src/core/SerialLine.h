#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace zelvan {

// One serial line to the modules (or the hub). Real one over QSerialPort in
// platform/, an in-memory one in the tests. Every byte arrives in order through
// readyRead()/readAll() on the event-loop thread.
class SerialLine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialLine() override = default;

    // portToken is the [CommPort] token: a port number n (/dev/ttyS<n-1>) or a
    // device path beginning with "/". settings is the "4800,n,8,1" string.
    virtual bool open(const QString& portToken, const QString& settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Puts the whole text into the output buffer in one operation.
    virtual void write(const QByteArray& bytes) = 0;
    // Characters still waiting in the output queue.
    virtual qint64 bytesToWrite() const = 0;
    // Characters received and not yet read.
    virtual qint64 bytesAvailable() const = 0;
    virtual QByteArray readAll() = 0;
    // Drops everything received and not yet read, also what still waits in the
    // device driver's buffer.
    virtual void clearInput() = 0;
    // Human-readable name of the device in use, for messages.
    virtual QString deviceName() const = 0;

    // What the last open() could not apply of its settings string, as bits of
    // SettingsFault; 0 when every setting took. The line is open all the same.
    enum SettingsFault
    {
        SettingsUnreadable = 1,
        BaudRefused = 2,
        ParityRefused = 4,
        DataBitsRefused = 8,
        StopBitsRefused = 16,
    };
    virtual int settingsFaults() const { return 0; }

signals:
    void readyRead();
    // The output queue became empty.
    void outputDrained();
    // The line failed (adapter unplugged, device closed by the other side).
    void failed(const QString& reason);
};

} // namespace zelvan

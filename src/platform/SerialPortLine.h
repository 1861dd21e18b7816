#pragma once

#include "core/SerialLine.h"

#include <QSerialPort>
#include <optional>

namespace zelvan {

// The serial line to the modules over QSerialPort.
class SerialPortLine : public SerialLine
{
    Q_OBJECT
public:
    struct Settings
    {
        qint32 baud = 4800;
        QSerialPort::Parity parity = QSerialPort::NoParity;
        QSerialPort::DataBits dataBits = QSerialPort::Data8;
        QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    };

    // Bytes the line holds in memory before it stops reading from the device:
    // a panel that falls behind leaves the rest in the driver's buffer (and
    // the sender waits), instead of growing without limit. Reading resumes as
    // soon as the held bytes are taken.
    static constexpr qint64 kReadBufferBytes = 64 * 1024;

    explicit SerialPortLine(QObject* parent = nullptr);
    ~SerialPortLine() override;

    // Device of a [CommPort] token: a number n names /dev/ttyS<n-1>, a token
    // beginning with "/" is the device path itself; empty when the port stays closed.
    static QString devicePath(const QString& portToken);
    // "4800,n,8,1" / "9600,e,7,1": baud, parity letter (n, e, o, m, s), data
    // bits, stop bits (1, 1.5, 2). Nothing when the string cannot be read.
    static std::optional<Settings> parseSettings(const QString& settings);

    bool open(const QString& portToken, const QString& settings) override;
    void close() override;
    bool isOpen() const override;
    void write(const QByteArray& bytes) override;
    qint64 bytesToWrite() const override;
    qint64 bytesAvailable() const override;
    QByteArray readAll() override;
    void clearInput() override;
    QString deviceName() const override;

    int settingsFaults() const override { return m_faults; }

private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    QString m_device;
    int m_faults = 0;
};

} // namespace zelvan

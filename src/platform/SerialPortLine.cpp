#include "platform/SerialPortLine.h"

#include "core/Logging.h"
#include "core/NumericText.h"

namespace zelvan {

SerialPortLine::SerialPortLine(QObject* parent) : SerialLine(parent)
{
    m_port.setReadBufferSize(kReadBufferBytes);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLine::readyRead);
    connect(&m_port, &QSerialPort::bytesWritten, this, [this] {
        if (m_port.bytesToWrite() == 0)
            emit outputDrained();
    });
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPortLine::onError);
}

SerialPortLine::~SerialPortLine() = default;

QString SerialPortLine::devicePath(const QString& portToken)
{
    QString token = portToken.trimmed();
    if (token.startsWith(QLatin1Char('/')))
        return token;
    const qint64 n = integerValue(token);
    if (n <= 0 || n > 256)
        return {};
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

std::optional<SerialPortLine::Settings> SerialPortLine::parseSettings(const QString& settings)
{
    const QStringList f = settings.split(QLatin1Char(','));
    if (f.size() != 4)
        return std::nullopt;
    Settings s;
    bool ok = false;
    s.baud = f[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return std::nullopt;

    const QString parity = f[1].trimmed().toLower();
    if (parity == QLatin1String("n"))
        s.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("e"))
        s.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("o"))
        s.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("m"))
        s.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("s"))
        s.parity = QSerialPort::SpaceParity;
    else
        return std::nullopt;

    const int bits = f[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        return std::nullopt;
    s.dataBits = static_cast<QSerialPort::DataBits>(bits);

    const QString stop = f[3].trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        s.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return s;
}

bool SerialPortLine::open(const QString& portToken, const QString& settings)
{
    close();
    m_faults = 0;
    const QString device = devicePath(portToken);
    if (device.isEmpty())
        return false;
    m_device = device;
    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        qCWarning(lcLink).noquote() << "cannot open" << device << m_port.errorString();
        return false;
    }
    // Each setting on its own: a device that refuses one still carries the
    // traffic. What did not take is kept for the operator's problem list.
    const std::optional<Settings> s = parseSettings(settings);
    if (!s) {
        m_faults = SettingsUnreadable;
        qCWarning(lcLink).noquote() << "unreadable line settings" << settings << "on" << device;
    } else {
        if (!m_port.setBaudRate(s->baud))
            m_faults |= BaudRefused;
        if (!m_port.setParity(s->parity))
            m_faults |= ParityRefused;
        if (!m_port.setDataBits(s->dataBits))
            m_faults |= DataBitsRefused;
        if (!m_port.setStopBits(s->stopBits))
            m_faults |= StopBitsRefused;
        m_port.setFlowControl(QSerialPort::NoFlowControl);
        if (m_faults != 0)
            qCWarning(lcLink).noquote() << device << "refused settings" << settings;
    }
    m_port.clearError();
    return true;
}

void SerialPortLine::close()
{
    if (m_port.isOpen())
        m_port.close();
}

bool SerialPortLine::isOpen() const { return m_port.isOpen(); }

void SerialPortLine::write(const QByteArray& bytes)
{
    if (m_port.isOpen())
        m_port.write(bytes);
}

qint64 SerialPortLine::bytesToWrite() const { return m_port.bytesToWrite(); }

qint64 SerialPortLine::bytesAvailable() const { return m_port.bytesAvailable(); }

// Everything the port holds. Taking it re-arms the port's reading, so bytes
// left in the driver while the buffer was full arrive with the next readyRead.
QByteArray SerialPortLine::readAll() { return m_port.readAll(); }

void SerialPortLine::clearInput()
{
    m_port.clear(QSerialPort::Input); // the driver's buffer
    m_port.readAll();                 // and what the port already took from it
}

QString SerialPortLine::deviceName() const { return m_device; }

void SerialPortLine::onError(QSerialPort::SerialPortError error)
{
    // The device is gone (adapter pulled, the other end of a pseudo-terminal
    // closed: reads fail from then on): the port is closed and the failure
    // reported, so that it is reopened later instead of failing in a loop.
    qCDebug(lcLink) << m_device << "error" << error << m_port.errorString();
    if (error != QSerialPort::ResourceError && error != QSerialPort::PermissionError
        && error != QSerialPort::ReadError)
        return;
    const QString reason = m_port.errorString();
    m_port.clearError();
    if (m_port.isOpen())
        m_port.close();
    emit failed(reason);
}

} // namespace zelvan

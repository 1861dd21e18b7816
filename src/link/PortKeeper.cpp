#include "link/PortKeeper.h"

#include "core/Logging.h"
#include "core/SerialLine.h"
#include "link/LinkTexts.h"

#include <QStringList>

namespace zelvan {

PortKeeper::PortKeeper(SerialLine& line, int portNumber, QObject* parent)
    : QObject(parent), m_line(line), m_port(portNumber)
{
    connect(&m_line, &SerialLine::failed, this, &PortKeeper::onFailed);
}

bool PortKeeper::isOpen() const { return m_line.isOpen(); }

bool PortKeeper::openAtStart(const QString& token, const QString& settings)
{
    m_wanted = true;
    m_token = token;
    m_settings = settings;
    return openNow();
}

bool PortKeeper::openNow()
{
    if (!m_line.open(m_token, m_settings)) {
        const QString reason = linktexts::portCannotOpen().arg(m_port).arg(m_token);
        if (m_failure != reason) {
            m_failure = reason;
            qCWarning(lcLink).noquote() << "port" << m_port << m_token << "cannot be opened";
            emit stateChanged(false, reason);
        }
        return false;
    }
    // An empty command, then whatever the line delivered until now is dropped
    // unframed, also what waits in the driver and has not reached the port yet.
    m_line.write(QByteArrayLiteral("\r"));
    m_line.clearInput();
    const bool wasFailing = !m_failure.isEmpty();
    m_failure.clear();
    const QString settings = settingsProblem(m_port, m_token, m_settings, m_line.settingsFaults());
    const bool settingsChanged = settings != m_settingsProblem;
    m_settingsProblem = settings;
    qCInfo(lcLink).noquote() << "port" << m_port << "opened on" << m_line.deviceName();
    if (wasFailing || settingsChanged)
        emit stateChanged(true, problem());
    return true;
}

QString PortKeeper::settingsProblem(int port, const QString& token, const QString& settings,
                                    int faults)
{
    using namespace linktexts;
    if (faults & SerialLine::SettingsUnreadable)
        return portSettingsUnreadable().arg(port).arg(token, settings);
    QStringList refused;
    if (faults & SerialLine::BaudRefused)
        refused << kRefusedBaud;
    if (faults & SerialLine::ParityRefused)
        refused << kRefusedParity;
    if (faults & SerialLine::DataBitsRefused)
        refused << kRefusedDataBits;
    if (faults & SerialLine::StopBitsRefused)
        refused << kRefusedStopBits;
    if (refused.isEmpty())
        return {};
    return portSettingsRefused().arg(port).arg(token, settings, refused.join(QStringLiteral(", ")));
}

bool PortKeeper::reopenIfFailed()
{
    if (!m_wanted || m_line.isOpen())
        return false;
    if (!openNow())
        return false;
    ++m_reopens;
    return true;
}

void PortKeeper::onFailed(const QString& reason)
{
    m_line.close();
    m_failure = linktexts::portFailed().arg(m_port).arg(m_token, reason);
    qCWarning(lcLink).noquote() << "port" << m_port << m_token << "failed:" << reason;
    emit stateChanged(false, m_failure);
}

} // namespace zelvan

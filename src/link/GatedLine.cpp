#include "link/GatedLine.h"

#include "core/LineShare.h"

namespace zelvan {

GatedLine::GatedLine(SerialLine& inner, QObject* parent) : SerialLine(parent), m_inner(inner)
{
    connect(&m_inner, &SerialLine::readyRead, this, &SerialLine::readyRead);
    connect(&m_inner, &SerialLine::outputDrained, this, &SerialLine::outputDrained);
    connect(&m_inner, &SerialLine::failed, this, &SerialLine::failed);
}

bool GatedLine::mayWrite() const { return m_share == nullptr || m_share->writes(); }

bool GatedLine::open(const QString& portToken, const QString& settings)
{
    return m_inner.open(portToken, settings);
}

void GatedLine::close() { m_inner.close(); }

bool GatedLine::isOpen() const { return m_inner.isOpen(); }

void GatedLine::write(const QByteArray& bytes)
{
    if (mayWrite())
        m_inner.write(bytes);
    else
        m_heldBack += quint64(bytes.size());
}

qint64 GatedLine::bytesToWrite() const { return m_inner.bytesToWrite(); }

qint64 GatedLine::bytesAvailable() const { return m_inner.bytesAvailable(); }

QByteArray GatedLine::readAll() { return m_inner.readAll(); }

void GatedLine::clearInput() { m_inner.clearInput(); }

QString GatedLine::deviceName() const { return m_inner.deviceName(); }

int GatedLine::settingsFaults() const { return m_inner.settingsFaults(); }

} // namespace zelvan

#include "support/Fakes.h"

namespace zelvan::test {

bool FakeSerialLine::open(const QString& portToken, const QString& settings)
{
    m_token = portToken;
    m_settings = settings;
    m_open = !m_refuse;
    return m_open;
}

void FakeSerialLine::write(const QByteArray& bytes)
{
    if (!m_open)
        return;
    m_written.append(bytes);
    if (m_hold)
        m_queued += bytes.size();
    else
        emit outputDrained();
}

QByteArray FakeSerialLine::readAll()
{
    QByteArray out;
    out.swap(m_input);
    return out;
}

void FakeSerialLine::feed(const QByteArray& bytes)
{
    m_input.append(bytes);
    emit readyRead();
}

QByteArray FakeSerialLine::takeWritten()
{
    QByteArray out;
    out.swap(m_written);
    return out;
}

void FakeSerialLine::drain()
{
    if (m_queued == 0)
        return;
    m_queued = 0;
    emit outputDrained();
}

void FakeSerialLine::fail(const QString& reason)
{
    m_open = false;
    emit failed(reason);
}

} // namespace zelvan::test

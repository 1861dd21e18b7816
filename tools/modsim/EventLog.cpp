#include "modsim/EventLog.h"

#include "core/Addressing.h"

#include <QFile>

namespace zelvan::modsim {

QByteArray eventLogHeader() { return "# sequence time-ms module object index record message\n"; }

QByteArray formatEventLogLine(const GuardEvent& e)
{
    return QByteArray::number(e.sequence) + ' ' + QByteArray::number(e.timeMs) + ' '
           + QByteArray::number(e.module) + ' ' + QByteArray::number(e.object) + ' '
           + QByteArray::number(globalIndex(e.module, e.object)) + ' ' + e.record + ' ' + e.message
           + '\n';
}

std::optional<GuardEvent> parseEventLogLine(QByteArrayView line)
{
    const QByteArray text = line.trimmed().toByteArray();
    if (text.isEmpty() || text.startsWith('#'))
        return std::nullopt;
    const QList<QByteArray> f = text.split(' ');
    if (f.size() != 7 || f[5].size() != 1)
        return std::nullopt;
    bool ok[5] = {};
    GuardEvent e;
    e.sequence = f[0].toULongLong(&ok[0]);
    e.timeMs = f[1].toLongLong(&ok[1]);
    e.module = f[2].toInt(&ok[2]);
    e.object = f[3].toInt(&ok[3]);
    const int index = f[4].toInt(&ok[4]);
    e.record = f[5][0];
    e.message = f[6];
    for (bool b : ok) {
        if (!b)
            return std::nullopt;
    }
    if (index != globalIndex(e.module, e.object))
        return std::nullopt;
    return e;
}

EventLogFile::EventLogFile(QString path) : m_path(std::move(path)) {}

bool EventLogFile::begin()
{
    QFile f(m_path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(eventLogHeader()) < 0) {
        ++m_failed;
        return false;
    }
    return true;
}

bool EventLogFile::append(const GuardEvent& event)
{
    QFile f(m_path);
    const QByteArray line = formatEventLogLine(event);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append) || f.write(line) != line.size()) {
        ++m_failed;
        return false;
    }
    return true;
}

bool EventLogFile::note(qint64 timeMs, const QByteArray& text)
{
    QFile f(m_path);
    const QByteArray line = "# " + QByteArray::number(timeMs) + ' ' + text + '\n';
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append) || f.write(line) != line.size()) {
        ++m_failed;
        return false;
    }
    return true;
}

QList<GuardEvent> readEventLog(const QString& path)
{
    QList<GuardEvent> events;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return events;
    while (!f.atEnd()) {
        if (auto e = parseEventLogLine(f.readLine()))
            events.append(*e);
    }
    return events;
}

} // namespace zelvan::modsim

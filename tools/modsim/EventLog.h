#pragma once

#include "modsim/ModuleSimulator.h"

#include <QList>
#include <QString>

namespace zelvan::modsim {

// The log of guard-state messages sent, one line per message:
//   sequence  time-ms  module  object  global-index  record  message
// e.g. "17 5230 3 5 261 A #A5". Lines beginning with "#" are comments; notes
// of what else happened on the line sit between the events in their order:
//   "# <time-ms> command <the command carried out>"   (faults and other commands)
//   "# <time-ms> states <module> <128 letters>"        (a guard-state dump answered)
QByteArray formatEventLogLine(const GuardEvent& event);
std::optional<GuardEvent> parseEventLogLine(QByteArrayView line);
QByteArray eventLogHeader();

// Appends every event to a file as it is sent (opened, appended, closed per
// event, so the file is complete whenever the simulator stops).
class EventLogFile
{
public:
    explicit EventLogFile(QString path);
    // Writes the header, replacing an older file.
    bool begin();
    bool append(const GuardEvent& event);
    // One note line "# <time-ms> <text>".
    bool note(qint64 timeMs, const QByteArray& text);
    quint64 failedWrites() const { return m_failed; }

private:
    QString m_path;
    quint64 m_failed = 0;
};

// Reads a log written by EventLogFile; malformed lines are skipped.
QList<GuardEvent> readEventLog(const QString& path);

} // namespace zelvan::modsim

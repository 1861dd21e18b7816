// Day files of a busy station for the report and export benchmarks: a module
// start every 5,000 records and otherwise object records of every kind, spread
// evenly over the day, from a seeded generator so that every run reads the same.
#pragma once

#include "core/StationState.h"
#include "events/DayArchive.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

namespace zelvan::bench {

inline bool writeBusyDays(const QString& dir, const QDate& first, int days, int recordsPerDay,
                          quint32 seed)
{
    static const char kLetters[] = {'P', 'O', 'A', 'R', 'B', 'N', 'F', '1', '2', '3', '4', '5'};
    QRandomGenerator random(seed);
    QByteArray content;
    content.reserve(recordsPerDay * 15);
    for (int d = 0; d < days; ++d) {
        const QDate day = first.addDays(d);
        QFile file(QDir(dir).filePath(DayArchive::dayFileName(day)));
        if (!file.open(QIODevice::WriteOnly))
            return false;
        content.clear();
        for (int i = 0; i < recordsPerDay; ++i) {
            const QDateTime t(day, QTime(0, 0).addMSecs(qint64(i) * 86400000 / recordsPerDay));
            if (i % 5000 == 0) {
                content += DayArchive::moduleRecord(1 + (i / 5000) % 8, QLatin1Char('S'), t);
            } else {
                const int k = 1 + int(random.bounded(kObjectCount));
                const char letter = kLetters[random.bounded(int(sizeof kLetters))];
                content += DayArchive::objectRecord(k, QChar::fromLatin1(letter), t);
            }
            content += "\r\n";
        }
        if (file.write(content) != content.size())
            return false;
    }
    return true;
}

} // namespace zelvan::bench

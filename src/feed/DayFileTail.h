#pragma once

#include "feed/FeedCursor.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace zelvan {

// One line of a day file, with the place after it.
struct TailRecord
{
    QByteArray text; // without CR LF
    FeedPosition after;
    qint64 line() const { return after.line; } // from 1
};

// Reads the day files onward from a place, in batches: only whole lines
// (ended by LF), so a record still being written or cut off by a crash is
// never read. One file access per batch.
class DayFileTail
{
public:
    // suffix: of the day files followed (the day records' ".dat", the
    // journal's ".jrn").
    explicit DayFileTail(QString dataDir, QString suffix = QStringLiteral(".dat"))
        : m_dataDir(std::move(dataDir)), m_suffix(std::move(suffix))
    {
    }

    QString path(const QString& day) const;
    // Up to maxRecords lines of from.day from from.offset, not past byte
    // `limit` of the file (-1: to its end). When the file cannot be opened or
    // read, nothing, and `error` says why: a read that fails is not the end
    // of the file.
    std::vector<TailRecord> read(const FeedPosition& from, qint64 limit, int maxRecords,
                                 QString* error = nullptr) const;
    // Whether `at` is the start of a line of its day file: 0, or just after
    // an LF. False as well when the file cannot be read there.
    bool startsLine(const FeedPosition& at) const;
    // The last day file not after `day`; empty when there is none.
    QString lastDayUpTo(const QString& day) const;
    // The first day file after `day` in name order ("yy-mm-dd" + suffix); empty when none.
    QString dayAfter(const QString& day) const;
    // The last day file before `day`; empty when none.
    QString dayBefore(const QString& day) const;

    static constexpr int kMaxLine = 4096;      // longer lines are cut to this
    static constexpr int kBytesPerRecord = 32; // read ahead per record wanted

private:
    QStringList days() const;

    QString m_dataDir;
    QString m_suffix;
};

} // namespace zelvan

#pragma once

#include "core/DurableFile.h"

#include <QString>
#include <optional>

namespace zelvan {

// A place in the day files: the file of `day` ("yy-mm-dd"), the number of
// records (lines) before the place, and the byte offset of the place, so that
// reading on from it costs one seek.
struct FeedPosition
{
    QString day;
    qint64 line = 0;
    qint64 offset = 0;

    bool operator==(const FeedPosition&) const = default;
};

// The durable cursor of the feed: the place after the last record the broker
// acknowledged. One line "yy-mm-dd line offset", replaced whole through the
// durable write helper, so that after a power cut it is the old or the new one.
class FeedCursor
{
public:
    explicit FeedCursor(QString path, FileSync sync = FileSync::system());

    QString path() const { return m_path; }
    // Nothing when the file is missing or does not hold a place.
    std::optional<FeedPosition> load() const;
    bool save(const FeedPosition& position);
    QString errorString() const { return m_error; }

private:
    QString m_path;
    FileSync m_sync;
    QString m_error;
};

} // namespace zelvan

#pragma once

#include <QByteArrayView>
#include <QChar>
#include <QFile>
#include <QIODevice>
#include <QString>
#include <optional>

namespace zelvan {

// One record read back from a day file.
struct DayRecord
{
    int k = 0;        // object index 1..1024, 0 for a module record
    QChar letter;     // the character whose code is positions 5-6
    int fraction = 0; // positions 7-12, millionths of the day
    int module = -1;  // last character of a 13-character S or V record, -1 when absent
    // The second of the day the record shows (0..86399).
    int secondOfDay() const;
    QString timeText() const; // "hh:mm:ss"
};

// Parses one line (without CR LF). A line shorter than 12 characters or with a
// non-digit in its first 12 gives nothing.
std::optional<DayRecord> parseDayRecord(QByteArrayView line);

// The letters the archive writes in object records and in module records.
bool isObjectLetter(QChar c);
bool isModuleLetter(QChar c);
// Whether the archive writes such a record: an object record of 1..1024 with
// an object letter, or a module record (object 0) with S or V and its module.
// Anything else that parses is a damaged line all the same (a digit changed).
bool isArchiveRecord(const DayRecord& r);

// The next well-formed record of the lines a device holds (a day file, or its
// bytes in memory): false at the end, or when reading failed (`failed` then
// set). A line longer than a record's room is read by its start, its rest skipped.
bool readDayRecord(QIODevice& device, DayRecord& record, bool& failed);

// Reads a day file line by line; the file is open only while reading.
class DayFileReader
{
public:
    explicit DayFileReader(const QString& path);
    bool exists() const;
    bool open();
    // The next well-formed record; false at the end of the file, or when
    // reading failed.
    bool next(DayRecord& record);
    void close();
    // The file exists but could not be opened, or reading it broke off: the
    // records read are not all the day holds.
    bool failed() const { return m_failed; }
    QString errorString() const { return m_file.errorString(); }

private:
    QFile m_file;
    bool m_failed = false;
};

} // namespace zelvan

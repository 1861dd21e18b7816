#pragma once

#include <QDate>
#include <QString>
#include <optional>

namespace zelvan {

struct StationState;
struct DayRecord;
class ObjectFiles;
class Clock;

// Which list a double-clicked line comes from: the two lists keep the object's
// module digit and number at different places, and the violations list writes
// today's missing archive without the year.
enum class ListSource
{
    Violations,
    Events
};

// What the object history dialog shows for one object.
struct HistoryView
{
    int k = 0;
    QString label;            // Label1: label, two spaces, name
    QString information;      // Text1(0): the DI_ file, the no-information or the unreadable line
    QString todayCaption;     // Frame1
    QString yesterdayCaption; // Frame2
    QString today;            // Text1(1)
    QString yesterday;        // Text1(2)
};

// Builds the object history: the object's information file and its day-file
// records of today and yesterday turned into readable lines (CR LF ended).
// Reads files only.
class ObjectHistory
{
public:
    // A day's text stops growing once it is longer than this many characters.
    static constexpr int kTextLimit = 55999;

    ObjectHistory(const StationState& state, const ObjectFiles& files, const Clock& clock);

    // The object a list line names: violations lines carry the module digit at
    // character 3 and the number at 5..7, object lines of the events list at 14
    // and 16..18 (other events lines name no object). Nothing unless the module
    // is 1..8 and the number 1..128.
    static std::optional<int> objectOfLine(ListSource source, const QString& line);

    HistoryView build(int k, ListSource source) const;

    // DI_<m>-<n>.dat in the data directory.
    QString informationPath(int k) const;
    QString information(int k) const;
    // The records of object k in the day file of date; the no-archive line when
    // the file is missing (withYear false writes the date without the year); the
    // unreadable line when it is there but cannot be opened, and the records
    // read followed by the broken-off line when reading it failed on the way.
    QString dayText(int k, const QDate& date, bool withYear) const;
    // One history line: the record's time, the text of its letter, CR LF; an
    // unknown letter gives CR LF alone.
    QString historyLine(int k, const DayRecord& record) const;
    // "dd" + " " + month name.
    QString dayAndMonth(const QDate& date) const;

private:
    const StationState& m_state;
    const ObjectFiles& m_files;
    const Clock& m_clock;
};

} // namespace zelvan

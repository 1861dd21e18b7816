#pragma once

#include "core/StationState.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QTime>
#include <bitset>
#include <map>
#include <optional>
#include <vector>

namespace zelvan {
struct DayRecord;
}

namespace zelvan::dc09 {

// How a kind of day record is told to the receiving centre: its SIA code,
// its Contact ID event ("E130": E new event, R restore, P previous) and the
// number that goes with it (the zone of an alarm or trouble, the user of an
// opening or closing). An empty code keeps the record at the station.
struct EventCode
{
    QByteArray sia;
    QByteArray cid;
    int number = 0;

    bool local() const { return sia.isEmpty(); }
    bool operator==(const EventCode&) const = default;
    // "BA E130 1", or "none" for a record kept at the station.
    static std::optional<EventCode> parse(const QString& text);
    QString text() const;
};

// The record letters and their codes: the defaults of docs/DC09.md, each
// replaceable from dc09.ini's [codes] (a letter, or "restore" for the
// burglary restore sent before the taking or release of a violated object).
class CodeTable
{
public:
    CodeTable();
    static QString keys(); // the letters [codes] may name, besides "restore"
    bool has(const QString& key) const;
    void set(const QString& key, const EventCode& code);
    const EventCode& of(QChar letter) const;
    const EventCode& restore() const { return m_restore; }

private:
    std::map<char16_t, EventCode> m_codes;
    EventCode m_restore;
};

// One event for the receiving centre.
struct Event
{
    QByteArray account;
    EventCode code;
    QTime time; // the record's own time of day
    int k = 0;  // the object, 0 for a module record
};

// The accounts of the objects and of the station.
struct Accounts
{
    int systemNo = 0;
    QByteArray station = "0000";
    std::map<int, QByteArray> objects; // k -> account, overriding the default

    // The decimal system number, the module digit and the object number in
    // three digits ("02005" for system 0, module 2, object 5).
    QByteArray of(int k) const;
};

// Turns day records into events, in their order. It remembers which objects
// are violated, so that the taking or release of one sends the burglary
// restore first.
class EventMapper
{
public:
    EventMapper(CodeTable codes, Accounts accounts)
        : m_codes(std::move(codes)), m_accounts(std::move(accounts))
    {
    }
    // The events of one record: none for a record kept at the station.
    std::vector<Event> map(const DayRecord& record);
    // Only what the record changes about the violated objects (the records
    // before the cursor, read again at start).
    void note(const DayRecord& record);
    void forget() { m_violated.reset(); }

private:
    CodeTable m_codes;
    Accounts m_accounts;
    std::bitset<kObjectCount + 1> m_violated;
};

// The data block of an event ("#02005|Nti12:30:05/BA1" or
// "#02005|1130 01 001"), for the token the messages carry.
QByteArray dataBlock(const QByteArray& token, const Event& event);

} // namespace zelvan::dc09

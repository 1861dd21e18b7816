#pragma once

#include <QChar>
#include <QDateTime>
#include <QString>

namespace zelvan {

// What the message handlers and the start-up exchange do to the operator's
// lists, the archive and the grid, without knowing how those are kept.
// Implemented by the violations and events lists, the day archive and the
// grid's view-model.

// The violations list.
class ViolationLines
{
public:
    virtual ~ViolationLines() = default;
    // Appends the object's line (no check for an equal line) and selects it.
    virtual void addViolation(const QString& objText) = 0;
    // Removes every line of the object label; then selects the last line.
    virtual void removeObject(const QString& objectLabel) = 0;
    // Removes every line of module m.
    virtual void removeModule(int m) = 0;
};

// The events list.
class EventLines
{
public:
    virtual ~EventLines() = default;
    // prefix + "hh:mm:ss" of `at` + " " + text, the oldest line dropped past 257.
    virtual void PostEvent(const QString& prefix, const QDateTime& at, const QString& text) = 0;
};

// The daily archive. The time of a record is the time of its event: the
// handler reads the clock once for the list line and the record.
class DayRecords
{
public:
    virtual ~DayRecords() = default;
    // Object k (1..1024) with its record letter; false when it could not be
    // written now (it is kept and written later).
    virtual bool AppendDayRecord(int k, QChar letter, const QDateTime& at) = 0;
    // A module record (S, V): module digit in position 13.
    virtual bool appendModuleRecord(int m, QChar letter, const QDateTime& at) = 0;
};

// The grid of object buttons and page ribbons.
class GridRepaint
{
public:
    virtual ~GridRepaint() = default;
    // Repaints the button of object k when k is on the shown page.
    virtual void repaintObject(int k) = 0;
    // RefreshRibbon: the ribbon of k gray, then red if any object of its block is violated.
    virtual void refreshRibbon(int k) = 0;
    // A violation: the ribbon of k red without scanning the block.
    virtual void markRibbonViolated(int k) = 0;
};

} // namespace zelvan

#pragma once

#include "core/StationLists.h"
#include "events/LineListModel.h"
#include "events/RunLengths.h"

#include <QHash>
#include <QString>
#include <vector>

namespace zelvan {

// The violations list (List1 of the violations window). Lives from start-up to
// exit whether or not its window is shown.
//
// A runaway line repeats its violation without end, and every message adds a
// line, so the list may hold millions of lines. Its cost stays constant per
// line: the lines are kept as runs of equal consecutive lines, with the row
// where each run starts in a RunLengths tree, and an index from each object
// label to its runs. Adding a line, selecting and reading the last one cost
// the same however many lines are listed; removing an object's lines costs
// in proportion to that object's runs. Rows are lines, exactly as listed.
class AlarmList : public LineListModel, public ViolationLines
{
    Q_OBJECT
public:
    using LineListModel::LineListModel;

    int count() const override { return int(m_lengths.total()); }
    QString line(int i) const override;

    // Appends the violation line (no check for an equal line) and selects it.
    void addViolation(const QString& objText) override;
    // Removes every line of the object: the lines that begin with the object
    // label (FormatObjectLabel, up to the three digits of the object number);
    // then selects the last line, if any.
    void removeObject(const QString& objectLabel) override;
    // Removes every line whose third character read as a number equals m.
    void removeModule(int m) override;

    // The label part of a line: up to the three characters after its first
    // "-" (the whole line when it has none).
    static QString labelOf(const QString& line);

signals:
    // A violation line was added (after it is selected).
    void violationAdded();

private:
    struct Run
    {
        QString text;
        int length = 0; // 0 once removed
    };
    // Removes the runs (ascending run indexes), last to first, one removal
    // of rows per run.
    void removeRuns(const std::vector<int>& runs);
    void compactIfSparse();

    std::vector<Run> m_runs;
    RunLengths m_lengths;
    QHash<QString, std::vector<int>> m_runsOfLabel;
    int m_removedRuns = 0;
};

} // namespace zelvan

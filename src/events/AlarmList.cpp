#include "events/AlarmList.h"

#include "core/NumericText.h"

#include <algorithm>

namespace zelvan {

namespace {

// Removed runs are dropped from the tables once they outnumber the live ones
// (and are more than a few): the work is paid for by the removals before it.
constexpr int kCompactAbove = 1024;

} // namespace

QString AlarmList::labelOf(const QString& line)
{
    const qsizetype dash = line.indexOf(QLatin1Char('-'));
    if (dash < 0 || line.size() < dash + 4)
        return line;
    return line.left(dash + 4);
}

QString AlarmList::line(int i) const
{
    if (i < 0 || i >= count())
        return {};
    return m_runs[size_t(m_lengths.runOf(i))].text;
}

void AlarmList::addViolation(const QString& objText)
{
    std::vector<int>& runs = m_runsOfLabel[labelOf(objText)];
    const int row = count();
    beginInsertRows({}, row, row);
    const int last = int(m_runs.size()) - 1;
    if (!runs.empty() && runs.back() == last && m_runs[size_t(last)].text == objText) {
        // The same line again right after itself: the run grows.
        ++m_runs[size_t(last)].length;
        m_lengths.add(last, 1);
    } else {
        // The object's text is shared with its earlier run, not copied.
        const QString text = !runs.empty() && m_runs[size_t(runs.back())].text == objText
                                 ? m_runs[size_t(runs.back())].text
                                 : objText;
        m_runs.push_back(Run{text, 1});
        runs.push_back(m_lengths.append(1));
    }
    endInsertRows();
    selectLast();
    emit violationAdded();
}

void AlarmList::removeObject(const QString& objectLabel)
{
    if (objectLabel.isEmpty())
        return;
    const auto it = m_runsOfLabel.find(labelOf(objectLabel));
    if (it != m_runsOfLabel.end()) {
        const std::vector<int> runs = std::move(it.value());
        m_runsOfLabel.erase(it);
        removeRuns(runs);
        compactIfSparse();
    }
    selectLast();
}

void AlarmList::removeModule(int m)
{
    std::vector<int> runs;
    for (auto it = m_runsOfLabel.begin(); it != m_runsOfLabel.end();) {
        const QString& label = it.key();
        if (label.size() >= 3 && integerValue(QStringView(label).mid(2, 1)) == m) {
            runs.insert(runs.end(), it.value().begin(), it.value().end());
            it = m_runsOfLabel.erase(it);
        } else {
            ++it;
        }
    }
    std::sort(runs.begin(), runs.end());
    removeRuns(runs);
    compactIfSparse();
    selectLast();
}

void AlarmList::removeRuns(const std::vector<int>& runs)
{
    for (auto r = runs.rbegin(); r != runs.rend(); ++r) {
        Run& run = m_runs[size_t(*r)];
        if (run.length == 0)
            continue;
        const int first = int(m_lengths.rowsBefore(*r));
        beginRemoveRows({}, first, first + run.length - 1);
        m_lengths.add(*r, -run.length);
        run.length = 0;
        run.text = QString();
        ++m_removedRuns;
        endRemoveRows();
    }
}

void AlarmList::compactIfSparse()
{
    const int live = int(m_runs.size()) - m_removedRuns;
    if (m_removedRuns <= kCompactAbove || m_removedRuns <= live)
        return;
    // Rows do not move: the views see no change.
    std::vector<int> moved(m_runs.size(), -1);
    std::vector<Run> runs;
    runs.reserve(size_t(live));
    m_lengths.clear();
    for (size_t i = 0; i < m_runs.size(); ++i) {
        if (m_runs[i].length == 0)
            continue;
        moved[i] = m_lengths.append(m_runs[i].length);
        runs.push_back(std::move(m_runs[i]));
    }
    m_runs = std::move(runs);
    for (std::vector<int>& list : m_runsOfLabel) {
        for (int& r : list)
            r = moved[size_t(r)];
    }
    m_removedRuns = 0;
}

} // namespace zelvan

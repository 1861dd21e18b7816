#pragma once

#include <vector>

namespace zelvan {

// The lengths of consecutive runs of list lines, with the row where each run
// starts and the run that holds a row, in time logarithmic in the number of
// runs (a Fenwick tree). Runs are appended at the end; a run's length
// changes in place (0 for a removed run).
class RunLengths
{
public:
    // Appends a run of `length` rows; returns its index.
    int append(int length);
    void add(int run, int delta);
    // Rows in runs 0 .. run - 1: the first row of `run`.
    long long rowsBefore(int run) const;
    // The run that holds `row` (0 <= row < total()).
    int runOf(long long row) const;
    long long total() const { return m_total; }
    int runs() const { return int(m_tree.size()); }
    void clear();

private:
    std::vector<long long> m_tree; // m_tree[i - 1]: the Fenwick node of 1-based run i
    long long m_total = 0;
};

} // namespace zelvan

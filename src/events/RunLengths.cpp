#include "events/RunLengths.h"

#include <cstddef>

namespace zelvan {

namespace {

constexpr int lowBit(int i) { return i & -i; }

} // namespace

int RunLengths::append(int length)
{
    // Node i covers runs i - lowBit(i) + 1 .. i: the new run plus the nodes
    // that end just before it, collected from the nodes already there.
    const int i = int(m_tree.size()) + 1;
    long long node = length;
    for (int j = i - 1; j > i - lowBit(i); j -= lowBit(j))
        node += m_tree[std::size_t(j - 1)];
    m_tree.push_back(node);
    m_total += length;
    return i - 1;
}

void RunLengths::add(int run, int delta)
{
    for (int i = run + 1; i <= int(m_tree.size()); i += lowBit(i))
        m_tree[std::size_t(i - 1)] += delta;
    m_total += delta;
}

long long RunLengths::rowsBefore(int run) const
{
    long long sum = 0;
    for (int i = run; i > 0; i -= lowBit(i))
        sum += m_tree[std::size_t(i - 1)];
    return sum;
}

int RunLengths::runOf(long long row) const
{
    int pos = 0;
    int step = 1;
    while (step * 2 <= int(m_tree.size()))
        step *= 2;
    for (; step > 0; step /= 2) {
        const int next = pos + step;
        if (next <= int(m_tree.size()) && m_tree[std::size_t(next - 1)] <= row) {
            pos = next;
            row -= m_tree[std::size_t(next - 1)];
        }
    }
    return pos; // 0-based index of the run after the `pos` runs whose rows lie before `row`
}

void RunLengths::clear()
{
    m_tree.clear();
    m_total = 0;
}

} // namespace zelvan

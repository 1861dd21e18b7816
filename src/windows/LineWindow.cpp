#include "windows/LineWindow.h"

#include "events/LineListModel.h"

#include <algorithm>
#include <utility>

namespace zelvan {

LineWindow::LineWindow(LineListModel& source, int rows, QObject* parent)
    : QAbstractListModel(parent), m_source(source), m_size(std::max(4, rows)),
      m_rows(std::min(m_size, source.count()))
{
    connect(&source, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex&, int first, int last) { aboutToInsert(first, last); });
    connect(&source, &QAbstractItemModel::rowsInserted, this, &LineWindow::inserted);
    connect(&source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) { aboutToRemove(first, last); });
    connect(&source, &QAbstractItemModel::rowsRemoved, this, &LineWindow::removed);
    connect(&source, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
    connect(&source, &QAbstractItemModel::modelReset, this, [this] {
        m_first = 0;
        m_rows = std::min(m_size, m_source.count());
        endResetModel();
    });
}

int LineWindow::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

QVariant LineWindow::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_rows)
        return {};
    return m_source.data(m_source.index(m_first + index.row(), 0), role);
}

int LineWindow::rowOf(int line) const
{
    const int row = line - m_first;
    return row >= 0 && row < m_rows ? row : -1;
}

int LineWindow::maxFirst(int count) const { return std::max(0, count - m_size); }

// Lines are added at the end. While the whole list fits they pass through
// row for row; lines beyond a full window wait outside it until reveal().
void LineWindow::aboutToInsert(int first, int last)
{
    const int after = m_source.count() + (last - first + 1);
    if (after <= m_size && m_first == 0) {
        m_pending = Pending::Forward;
        beginInsertRows({}, first, last);
    } else if (first >= m_first + m_rows && m_rows == m_size) {
        m_pending = Pending::Ignore;
    } else {
        m_pending = Pending::Reset;
        beginResetModel();
    }
}

void LineWindow::inserted()
{
    const Pending pending = std::exchange(m_pending, Pending::None);
    if (pending == Pending::Forward) {
        m_rows = m_source.count();
        endInsertRows();
    } else if (pending == Pending::Reset) {
        m_rows = std::min(m_size, m_source.count() - m_first);
        endResetModel();
    }
}

void LineWindow::aboutToRemove(int first, int last)
{
    const int before = m_source.count();
    if (before <= m_size && m_first == 0) {
        m_pending = Pending::Forward;
        beginRemoveRows({}, first, last);
    } else if (first >= m_first + m_rows) {
        m_pending = Pending::Ignore;
    } else {
        m_pending = Pending::Reset;
        beginResetModel();
    }
}

void LineWindow::removed()
{
    const Pending pending = std::exchange(m_pending, Pending::None);
    if (pending == Pending::Forward) {
        m_rows = m_source.count();
        endRemoveRows();
    } else if (pending == Pending::Reset) {
        m_first = std::min(m_first, maxFirst(m_source.count()));
        m_rows = std::min(m_size, m_source.count() - m_first);
        endResetModel();
    }
}

void LineWindow::moveTo(int first)
{
    first = std::clamp(first, 0, maxFirst(m_source.count()));
    const int rows = std::min(m_size, m_source.count() - first);
    if (first == m_first && rows == m_rows)
        return;
    beginResetModel();
    m_first = first;
    m_rows = rows;
    endResetModel();
}

void LineWindow::reveal(int line)
{
    const int count = m_source.count();
    if (line < 0 || line >= count)
        return;
    const int margin = m_size / 4;
    const int low = m_first > 0 ? m_first + margin : 0;
    const int high = m_first + m_size < count ? m_first + m_size - 1 - margin : count - 1;
    if (line >= low && line <= high && m_rows == std::min(m_size, count - m_first))
        return;
    moveTo(line - m_size / 2);
}

int LineWindow::shift(int direction)
{
    const int before = m_first;
    moveTo(m_first + (direction < 0 ? -m_size / 2 : m_size / 2));
    return before - m_first;
}

} // namespace zelvan

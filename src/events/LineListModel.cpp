#include "events/LineListModel.h"

namespace zelvan {

int LineListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant LineListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= count())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
        return line(index.row());
    return {};
}

QStringList LineListModel::lines() const
{
    QStringList out;
    out.reserve(count());
    for (int i = 0; i < count(); ++i)
        out.append(line(i));
    return out;
}

void LineListModel::select(int i)
{
    const int row = (i >= 0 && i < count()) ? i : -1;
    if (row == m_selected)
        return;
    m_selected = row;
    emit selectionChanged(row);
}

void LineListModel::selectLast()
{
    m_selected = count() - 1;
    emit selectionChanged(m_selected);
}

} // namespace zelvan

#include "events/EventList.h"

#include "core/Clock.h"

namespace zelvan {

int EventList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant EventList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= count())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
        return m_lines.at(index.row());
    return {};
}

void EventList::select(int i)
{
    const int row = (i >= 0 && i < count()) ? i : -1;
    if (row == m_selected)
        return;
    m_selected = row;
    emit selectionChanged(row);
}

void EventList::PostEvent(const QString& prefix, const QDateTime& now, const QString& text)
{
    if (count() > kTrimAbove) {
        beginRemoveRows({}, 0, 0);
        m_lines.removeFirst();
        endRemoveRows();
        // The selection follows its line; the new last line is selected below anyway.
        m_selected = m_selected > 0 ? m_selected - 1 : -1;
    }
    const int row = count();
    beginInsertRows({}, row, row);
    m_lines.append(prefix + timeText(now) + QLatin1Char(' ') + text);
    endInsertRows();
    select(row);
}

} // namespace zelvan

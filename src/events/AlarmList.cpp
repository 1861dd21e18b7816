#include "events/AlarmList.h"

#include "core/NumericText.h"

namespace zelvan {

int AlarmList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant AlarmList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= count())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
        return m_lines.at(index.row());
    return {};
}

void AlarmList::select(int i)
{
    const int row = (i >= 0 && i < count()) ? i : -1;
    if (row == m_selected)
        return;
    m_selected = row;
    emit selectionChanged(row);
}

void AlarmList::addViolation(const QString& objText)
{
    const int row = count();
    beginInsertRows({}, row, row);
    m_lines.append(objText);
    endInsertRows();
    selectLast();
}

void AlarmList::removeObject(const QString& objectLabel)
{
    if (objectLabel.isEmpty())
        return;
    for (int i = count() - 1; i >= 0; --i) {
        if (m_lines.at(i).startsWith(objectLabel))
            removeAt(i);
    }
    selectLast();
}

void AlarmList::removeModule(int m)
{
    for (int i = count() - 1; i >= 0; --i) {
        const QString& line = m_lines.at(i);
        if (line.size() >= 3 && integerValue(QStringView(line).mid(2, 1)) == m)
            removeAt(i);
    }
    selectLast();
}

void AlarmList::removeAt(int i)
{
    beginRemoveRows({}, i, i);
    m_lines.removeAt(i);
    endRemoveRows();
    if (m_selected >= count())
        m_selected = -1;
}

void AlarmList::selectLast()
{
    select(count() - 1);
}

} // namespace zelvan

#include "events/EventList.h"

#include "core/Clock.h"

namespace zelvan {

void EventList::PostEvent(const QString& prefix, const QDateTime& now, const QString& text)
{
    if (count() > kTrimAbove) {
        beginRemoveRows({}, 0, 0);
        m_lines.removeFirst();
        endRemoveRows();
    }
    const int row = count();
    beginInsertRows({}, row, row);
    m_lines.append(prefix + timeText(now) + QLatin1Char(' ') + text);
    endInsertRows();
    selectLast();
}

} // namespace zelvan

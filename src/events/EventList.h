#pragma once

#include "events/LineListModel.h"

#include <QDateTime>
#include <QStringList>

namespace zelvan {

// The events list (List1 of the events window): at most 257 lines, newest last.
class EventList : public LineListModel
{
    Q_OBJECT
public:
    static constexpr int kTrimAbove = 256;

    using LineListModel::LineListModel;

    int count() const override { return int(m_lines.size()); }
    QString line(int i) const override { return m_lines.value(i); }

    // PostEvent: drops the oldest line when more than 256 are held, appends
    // prefix + "hh:mm:ss" + " " + text and selects the new last line.
    void PostEvent(const QString& prefix, const QDateTime& now, const QString& text);

private:
    QStringList m_lines;
};

} // namespace zelvan

#pragma once

#include <QAbstractListModel>
#include <QDateTime>
#include <QStringList>

namespace zelvan {

// The events list (List1 of the events window): at most 257 lines, newest last.
class EventList : public QAbstractListModel
{
    Q_OBJECT
public:
    static constexpr int kTrimAbove = 256;

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    int count() const { return int(m_lines.size()); }
    QString line(int i) const { return m_lines.value(i); }
    const QStringList& lines() const { return m_lines; }
    int selected() const { return m_selected; }
    void select(int i);

    // PostEvent: drops the oldest line when more than 256 are held, appends
    // prefix + "hh:mm:ss" + " " + text and selects the new last line.
    void PostEvent(const QString& prefix, const QDateTime& now, const QString& text);

signals:
    void selectionChanged(int row);

private:
    QStringList m_lines;
    int m_selected = -1;
};

} // namespace zelvan

#pragma once

#include <QAbstractListModel>
#include <QStringList>

namespace zelvan {

// What the violations list and the events list share: lines of text shown as
// rows, and one selected line. Every change that adds or removes lines ends
// with the last line selected, and selectionChanged() is sent after each such
// change even when the selected row number stays the same (lines above it
// went away, so another line now stands there): a view that follows the
// signal always highlights the line selected() names, the one the tip and the
// history view read.
class LineListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    virtual int count() const = 0;
    // Line i (0-based); empty outside the list.
    virtual QString line(int i) const = 0;
    // Every line, in order (costs the length of the list).
    QStringList lines() const;

    int selected() const { return m_selected; }
    // The operator's pick; a row outside the list selects nothing.
    void select(int i);

signals:
    void selectionChanged(int row);

protected:
    // Selects the last line after a change of the lines and tells the views.
    void selectLast();

private:
    int m_selected = -1;
};

} // namespace zelvan

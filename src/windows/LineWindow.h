#pragma once

#include <QAbstractListModel>

namespace zelvan {

class LineListModel;

// What a list window's view shows of a list: all its lines while they are
// few, a window of at most kRows consecutive lines once there are more. A
// view lays out every row it is given each time rows come or go; with the
// window its work per change stays bounded by kRows, however long the list
// (a runaway line fills the violations list with millions of lines).
// Small lists pass through row for row; past kRows the window moves by
// reveal(), a change of its rows reaching the view as one reset.
class LineWindow : public QAbstractListModel
{
    Q_OBJECT
public:
    static constexpr int kRows = 2048;

    explicit LineWindow(LineListModel& source, int rows = kRows, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The list line of the window's first row.
    int first() const { return m_first; }
    int rows() const { return m_rows; }
    // Window row of a list line, -1 when outside; list line of a window row.
    int rowOf(int line) const;
    int lineOf(int row) const { return m_first + row; }

    // Moves the window, when needed, so that `line` lies inside it with a
    // margin of a quarter of the window towards any further lines.
    void reveal(int line);
    // Moves the window by about half its size towards the start (< 0) or the
    // end (> 0) of the list; the lines move by the returned number of rows.
    int shift(int direction);

private:
    void aboutToInsert(int first, int last);
    void inserted();
    void aboutToRemove(int first, int last);
    void removed();
    void moveTo(int first);
    int maxFirst(int count) const;

    LineListModel& m_source;
    int m_size;
    int m_first = 0;
    int m_rows = 0;
    enum class Pending
    {
        None,
        Forward,
        Reset,
        Ignore
    } m_pending = Pending::None;
};

} // namespace zelvan

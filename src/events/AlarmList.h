#pragma once

#include <QAbstractListModel>
#include <QStringList>

namespace zelvan {

// The violations list (List1 of the violations window). Lives from start-up to
// exit whether or not its window is shown.
class AlarmList : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    int count() const { return int(m_lines.size()); }
    QString line(int i) const { return m_lines.value(i); }
    const QStringList& lines() const { return m_lines; }
    int selected() const { return m_selected; }
    void select(int i);

    // Appends the violation line (no check for an equal line) and selects it.
    void addViolation(const QString& objText);
    // Removes, last to first, every line whose first 7 characters equal the
    // object label; then selects the last line, if any.
    void removeObject(const QString& objectLabel);
    // Removes, last to first, every line whose third character read as a number equals m.
    void removeModule(int m);

signals:
    void selectionChanged(int row);

private:
    void removeAt(int i);
    void selectLast();

    QStringList m_lines;
    int m_selected = -1;
};

} // namespace zelvan

#pragma once

#include "windows/ObjectHistory.h"
#include "windows/ToolWindowForm.h"

class QAbstractItemModel;
class QListView;

namespace zelvan {

class ObjectInfoForm;
class TipForm;

// What the violations and events windows share: List1 drawing a list model with
// its selection, the layout on resize, the tip window on a right press and the
// object history on a double click.
class ListWindowForm : public ToolWindowForm
{
    Q_OBJECT
public:
    QListView* list() const { return m_list; }
    TipForm* tip() const { return m_tip; }
    int selectedRow() const { return m_selectedRow; }
    QString selectedLine() const;

signals:
    // The operator selected a line (click or keys).
    void rowPicked(int row);

protected:
    // tip: the window's own tip window (owned by this window).
    ListWindowForm(ScreenState& screen, Getter shown, Setter setShown, const QString& caption,
                   QAbstractItemModel& model, ListSource source, TipForm* tip,
                   ObjectInfoForm& info, QWidget* parent);

    // The model's selection changed: the view follows it.
    void showSelected(int row);
    // Called after every resize, once the list has its place.
    virtual void listPlaced() {}
    // Twips kept free below the list (the violations window keeps a button row).
    virtual int listBottomReserve() const;
    // Places the list for the window's size; a window that reserves other room
    // below the list calls it again once it is built.
    void applyLayout();

    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeTip(const QPoint& viewportPos);

    QAbstractItemModel& m_model;
    ListSource m_source;
    ObjectInfoForm& m_info;
    QListView* m_list;
    TipForm* m_tip;
    int m_selectedRow = -1;
    bool m_following = false;
    bool m_modelChanging = false;
};

} // namespace zelvan

#pragma once

#include "windows/ObjectHistory.h"
#include "windows/ToolWindowForm.h"

class QListView;

namespace zelvan {

class LineListModel;
class LineWindow;
class ObjectInfoForm;
class TipForm;

// What the violations and events windows share: List1 drawing a list model with
// its selection, the layout on resize, the tip window on a right press and the
// object history on a double click.
//
// The view follows the model's selected line once per turn of the event
// loop, not once per line added, and draws a LineWindow of the list rather
// than the whole list: a burst of messages costs one scroll and one layout of
// a bounded number of rows, whatever the length of the list.
class ListWindowForm : public ToolWindowForm
{
    Q_OBJECT
public:
    QListView* list() const { return m_list; }
    // What List1 shows of the model.
    LineWindow* lineWindow() const { return m_window; }
    TipForm* tip() const { return m_tip; }
    // The model's selected line: what the tip and the history view use.
    int selectedRow() const;
    QString selectedLine() const;

protected:
    // tip: the window's own tip window (owned by this window).
    ListWindowForm(ScreenState& screen, Getter shown, Setter setShown, const QString& caption,
                   LineListModel& model, ListSource source, TipForm* tip, ObjectInfoForm& info,
                   QWidget* parent);
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
    // The model's selection changed: the view follows it at the next turn.
    void followSelection();
    void showSelected();
    void moveWindowAtEdge();

    LineListModel& m_model;
    ListSource m_source;
    ObjectInfoForm& m_info;
    LineWindow* m_window;
    QListView* m_list;
    TipForm* m_tip;
    bool m_followPending = false;
    bool m_following = false;
    bool m_modelChanging = false;
};

} // namespace zelvan

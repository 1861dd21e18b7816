#include "windows/ListWindowForm.h"

#include "events/LineListModel.h"
#include "windows/LineWindow.h"
#include "windows/ObjectInfoForm.h"
#include "windows/TipForm.h"
#include "windows/TipText.h"
#include "windows/WindowLayout.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QScrollBar>

namespace zelvan {

ListWindowForm::ListWindowForm(ScreenState& screen, Getter shown, Setter setShown,
                               const QString& caption, LineListModel& model, ListSource source,
                               TipForm* tip, ObjectInfoForm& info, QWidget* parent)
    : ToolWindowForm(screen, shown, setShown, caption, parent), m_model(model), m_source(source),
      m_info(info), m_window(new LineWindow(model, LineWindow::kRows, this)),
      m_list(new QListView(this)), m_tip(tip)
{
    m_tip->setParent(this, m_tip->windowFlags());
    m_list->setObjectName(QStringLiteral("List1"));
    // While the model adds or removes lines the view moves its current row on
    // its own; only the operator's picks go back to the model. These handlers
    // run before the view's (connected first) and after them (connected last).
    const auto changing = [this] { m_modelChanging = true; };
    const auto settled = [this] { m_modelChanging = false; };
    connect(m_window, &QAbstractItemModel::rowsAboutToBeInserted, this, changing);
    connect(m_window, &QAbstractItemModel::rowsAboutToBeRemoved, this, changing);
    connect(m_window, &QAbstractItemModel::modelAboutToBeReset, this, changing);
    connect(m_window, &QAbstractItemModel::layoutAboutToBeChanged, this, changing);
    m_list->setModel(m_window);
    connect(m_window, &QAbstractItemModel::rowsInserted, this, settled);
    connect(m_window, &QAbstractItemModel::rowsRemoved, this, settled);
    connect(m_window, &QAbstractItemModel::modelReset, this, settled);
    connect(m_window, &QAbstractItemModel::layoutChanged, this, settled);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setUniformItemSizes(true);
    QFont listFont(QStringLiteral("DejaVu Sans"), 8);
    listFont.setBold(false); // the window's caption font is bold, the lines are not
    m_list->setFont(listFont);
    m_list->viewport()->installEventFilter(this);
    m_list->installEventFilter(this);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (m_following || m_modelChanging || !current.isValid())
                    return;
                m_model.select(m_window->lineOf(current.row()));
            });
    // The operator scrolled to an edge of the window with more lines beyond
    // it: the window moves on.
    connect(m_list->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (!m_following && !m_modelChanging)
            QMetaObject::invokeMethod(this, &ListWindowForm::moveWindowAtEdge,
                                      Qt::QueuedConnection);
    });
    connect(&m_model, &LineListModel::selectionChanged, this, &ListWindowForm::followSelection);
    resize(layout::toPixels(5400), layout::toPixels(2400));
    applyLayout();
    showSelected();
}

int ListWindowForm::selectedRow() const { return m_model.selected(); }

QString ListWindowForm::selectedLine() const { return m_model.line(m_model.selected()); }

void ListWindowForm::followSelection()
{
    if (m_followPending)
        return;
    m_followPending = true;
    QMetaObject::invokeMethod(this, &ListWindowForm::showSelected, Qt::QueuedConnection);
}

void ListWindowForm::showSelected()
{
    m_followPending = false;
    m_following = true;
    const int line = m_model.selected();
    m_window->reveal(line);
    const int row = m_window->rowOf(line);
    if (row >= 0) {
        const QModelIndex index = m_window->index(row, 0);
        m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        m_list->scrollTo(index);
    } else {
        m_list->selectionModel()->clear();
    }
    m_following = false;
}

void ListWindowForm::moveWindowAtEdge()
{
    const QScrollBar* bar = m_list->verticalScrollBar();
    const int direction = bar->value() == bar->minimum()   ? -1
                          : bar->value() == bar->maximum() ? 1
                                                           : 0;
    if (direction == 0 || m_window->rows() == 0)
        return;
    const int topLine = m_window->lineOf(qMax(0, m_list->indexAt(QPoint(1, 1)).row()));
    if (m_window->shift(direction) == 0)
        return;
    // The same lines stay in sight; the selected line keeps its highlight
    // while it is inside the window.
    m_following = true;
    const int selectedRow = m_window->rowOf(m_model.selected());
    if (selectedRow >= 0)
        m_list->selectionModel()->setCurrentIndex(m_window->index(selectedRow, 0),
                                                  QItemSelectionModel::ClearAndSelect);
    const int topRow = m_window->rowOf(topLine);
    if (topRow >= 0)
        m_list->scrollTo(m_window->index(topRow, 0), QAbstractItemView::PositionAtTop);
    m_following = false;
}

void ListWindowForm::resizeEvent(QResizeEvent* event)
{
    ToolWindowForm::resizeEvent(event);
    applyLayout();
}

int ListWindowForm::listBottomReserve() const { return layout::kListBottomReserve; }

void ListWindowForm::applyLayout()
{
    // A window too small for the list leaves the list where it was.
    if (const auto area = layout::stretchedArea(layout::toTwips(width()), layout::toTwips(height()),
                                                listBottomReserve()))
        m_list->setGeometry(layout::toPixels(*area));
    listPlaced();
}

void ListWindowForm::placeTip(const QPoint& viewportPos)
{
    const QPoint mouse = m_list->viewport()->mapTo(m_list, viewportPos);
    m_tip->move(layout::tipPosition(frameGeometry().topLeft(), m_list->pos(), mouse,
                                    m_tip->label()->height()));
}

bool ListWindowForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        // Home and End go to the first and the last line of the whole list,
        // not of the stretch the view holds.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Home || key == Qt::Key_End) && m_model.count() > 0) {
            m_model.select(key == Qt::Key_Home ? 0 : m_model.count() - 1);
            return true;
        }
    }
    if (watched != m_list->viewport())
        return ToolWindowForm::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::RightButton)
            break;
        // The right button shows the selected line; it does not move the selection.
        m_tip->showText(tipText(selectedLine()), QPoint());
        placeTip(mouse->position().toPoint());
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!(mouse->buttons() & Qt::RightButton) || !m_tip->isVisible())
            break;
        placeTip(mouse->position().toPoint());
        return true;
    }
    case QEvent::MouseButtonRelease:
        m_tip->hide();
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
            return true;
        break;
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            m_info.openLine(m_source, selectedLine(), frameGeometry());
        break;
    default:
        break;
    }
    return ToolWindowForm::eventFilter(watched, event);
}

} // namespace zelvan

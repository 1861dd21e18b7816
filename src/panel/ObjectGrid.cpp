#include "panel/ObjectGrid.h"

#include "core/Addressing.h"

namespace zelvan {

namespace {

// Image4 holds one picture per guard state; anything else shows as released.
int pictureOf(qint16 state)
{
    return (state >= Released && state <= TakeRequested) ? int(state) : int(Released);
}

} // namespace

ObjectGrid::ObjectGrid(const StationState& state, QObject* parent) : QObject(parent), m_state(state)
{
}

void ObjectGrid::repaintObject(int k)
{
    const int base = m_state.PageBase;
    if (!isObject(k) || k <= base || k > base + kButtonsPerPage)
        return;
    const int i = (k - 1) % kButtonsPerPage;
    const int picture = pictureOf(m_state.ObjState[size_t(k)]);
    Button& b = m_buttons[size_t(i)];
    if (b.picture == picture)
        return;
    b.picture = picture;
    emit buttonChanged(i);
}

void ObjectGrid::refreshRibbon(int k)
{
    if (!isObject(k))
        return;
    const int first = blockFirst(k);
    int marker = 0;
    for (int j = first; j < first + kButtonsPerPage; ++j) {
        if (m_state.ObjState[size_t(j)] == Violated) {
            marker = 1;
            break;
        }
    }
    setRibbon(ribbonOf(k), marker);
}

void ObjectGrid::markRibbonViolated(int k)
{
    if (isObject(k))
        setRibbon(ribbonOf(k), 1);
}

void ObjectGrid::paintPage()
{
    const int base = m_state.PageBase;
    for (int i = 0; i < kButtonsPerPage; ++i) {
        const int k = base + i + 1;
        Button& b = m_buttons[size_t(i)];
        if (!isObject(k)) {
            b = Button{};
            continue;
        }
        b.picture = pictureOf(m_state.ObjState[size_t(k)]);
        b.color = m_state.ObjColor[size_t(k)];
        b.enabled = m_state.ObjInstalled[size_t(k)] != 0;
        b.caption = QString::number(objectNoOf(k));
    }
    emit pagePainted();
}

void ObjectGrid::setButtonColor(int i, qint32 color)
{
    if (i < 0 || i >= kButtonsPerPage)
        return;
    Button& b = m_buttons[size_t(i)];
    if (b.color == color)
        return;
    b.color = color;
    emit buttonChanged(i);
}

void ObjectGrid::setRibbon(int r, int marker)
{
    if (!isPage(r) || m_ribbons[size_t(r)] == marker)
        return;
    m_ribbons[size_t(r)] = marker;
    emit ribbonChanged(r);
}

} // namespace zelvan

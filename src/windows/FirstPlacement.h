#pragma once

#include <QRect>
#include <QSize>

namespace zelvan::layout {

// Where the operator's windows first appear on a screen, so that none covers
// another or the main panel: there may be no window manager to move them, and
// a violations window hidden behind another window is an alarm nobody sees.
// Sizes are outer (frame) sizes in pixels; area is the screen's available area.
struct DeskSizes
{
    QSize main;
    QSize alarms;
    QSize events;
    QSize keypad;
    QSize linkLost;
};

struct DeskPlacement
{
    QRect main;
    QRect alarms;
    QRect events;
    QRect keypad;
    QRect linkLost;
};

// Pixels between windows placed side by side (60 twips).
constexpr int kWindowGap = 4;
// The link-lost window's distance from the screen's left and top edges, in twips.
constexpr int kLinkLostEdgeTwips = 20;
// A list window is never shrunk below this (it would show no line).
constexpr QSize kMinimumListSize{160, 80};

// The main panel centred; the keypad to its right with its bottom just above the
// panel's bottom; the link-lost window in the top-left corner; the violations
// window and the events window stacked beside the main panel on the side with
// the most free room (violations first, nearest the panel's top), shrunk to fit
// when the side is smaller than they are, clear of the keypad and of the
// link-lost window.
DeskPlacement firstPlacement(const QRect& area, const DeskSizes& sizes);

// A window of the given size beside anchor: to its right when it fits on the
// screen, else to its left, below, above; else in the area's top-left corner.
// Never outside the area when it fits at all.
QRect besideRect(const QRect& area, const QRect& anchor, const QSize& size);

} // namespace zelvan::layout

#include "windows/FirstPlacement.h"

#include "windows/WindowLayout.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace zelvan::layout {

namespace {

// Half-open interval [lo, hi).
using Run = std::pair<int, int>;

QRect centred(const QRect& area, const QSize& size)
{
    return QRect(QPoint(area.x() + (area.width() - size.width()) / 2,
                        area.y() + (area.height() - size.height()) / 2),
                 size);
}

// Moves r inside area as far as it fits (the top-left corner wins when it does not).
QRect clampedInto(const QRect& area, QRect r)
{
    r.moveLeft(std::max(area.x(), std::min(r.x(), area.x() + area.width() - r.width())));
    r.moveTop(std::max(area.y(), std::min(r.y(), area.y() + area.height() - r.height())));
    return r;
}

// The longest part of [lo, hi) not covered by any blocked run.
Run longestFreeRun(int lo, int hi, std::vector<Run> blocked)
{
    std::sort(blocked.begin(), blocked.end());
    Run best{lo, lo};
    int from = lo;
    for (const Run& b : blocked) {
        if (b.first > from && std::min(b.first, hi) - from > best.second - best.first)
            best = {from, std::min(b.first, hi)};
        from = std::max(from, b.second);
        if (from >= hi)
            break;
    }
    if (hi - from > best.second - best.first)
        best = {from, hi};
    return best;
}

// One free side of the main panel: a strip of the screen beside it.
struct Side
{
    QRect strip;
    bool vertical;   // left or right of the panel: windows stacked top to bottom
    bool beforeMain; // left of or above the panel: windows hug its far edge
};

// The two list windows' sizes in a free rectangle, shrunk along the stacking
// axis in proportion when they do not fit; nothing when even the minimum does not.
struct Fit
{
    QSize first;
    QSize second;
    long long score = -1;
};

Fit fitTwo(const QRect& free, bool vertical, QSize a, QSize b)
{
    Fit fit;
    const auto along = [vertical](const QSize& s) { return vertical ? s.height() : s.width(); };
    const auto across = [vertical](const QSize& s) { return vertical ? s.width() : s.height(); };
    const int room = along(free.size()) - kWindowGap;
    const int acrossRoom = across(free.size());
    const int minAlong = along(kMinimumListSize);
    const int minAcross = across(kMinimumListSize);
    if (room < 2 * minAlong || acrossRoom < minAcross)
        return fit;
    int la = along(a);
    int lb = along(b);
    if (la + lb > room) {
        const long long total = la + lb;
        la = std::max(minAlong, int((long long)la * room / total));
        lb = std::max(minAlong, room - la);
        la = room - lb;
    }
    const int ca = std::min(across(a), acrossRoom);
    const int cb = std::min(across(b), acrossRoom);
    fit.first = vertical ? QSize(ca, la) : QSize(la, ca);
    fit.second = vertical ? QSize(cb, lb) : QSize(lb, cb);
    fit.score = (long long)la * ca + (long long)lb * cb;
    return fit;
}

} // namespace

DeskPlacement firstPlacement(const QRect& area, const DeskSizes& sizes)
{
    DeskPlacement p;
    p.main = centred(area, sizes.main);

    const int edge = toPixels(kLinkLostEdgeTwips);
    p.linkLost = QRect(area.topLeft() + QPoint(edge, edge), sizes.linkLost);

    const QRect mainTwips(toTwips(p.main.x()), toTwips(p.main.y()), toTwips(p.main.width()),
                          toTwips(p.main.height()));
    const QPoint keypadTwips = keypadPosition(mainTwips, toTwips(sizes.keypad.height()));
    p.keypad = clampedInto(
        area, QRect(QPoint(toPixels(keypadTwips.x()), toPixels(keypadTwips.y())), sizes.keypad));

    const int areaRight = area.x() + area.width();
    const int areaBottom = area.y() + area.height();
    const int mainRight = p.main.x() + p.main.width();
    const int mainBottom = p.main.y() + p.main.height();
    // Left, right, above, below; on a tie the earlier side wins.
    const std::array<Side, 4> sides{{
        {QRect(QPoint(area.x(), area.y()), QPoint(p.main.x() - kWindowGap - 1, areaBottom - 1)),
         true, true},
        {QRect(QPoint(mainRight + kWindowGap, area.y()), QPoint(areaRight - 1, areaBottom - 1)),
         true, false},
        {QRect(QPoint(area.x(), area.y()), QPoint(areaRight - 1, p.main.y() - kWindowGap - 1)),
         false, true},
        {QRect(QPoint(area.x(), mainBottom + kWindowGap), QPoint(areaRight - 1, areaBottom - 1)),
         false, false},
    }};
    const std::array<QRect, 2> obstacles{p.keypad, p.linkLost};

    Fit best;
    QRect bestFree;
    const Side* bestSide = nullptr;
    for (const Side& side : sides) {
        if (side.strip.width() <= 0 || side.strip.height() <= 0)
            continue;
        std::vector<Run> blocked;
        for (const QRect& o : obstacles) {
            const QRect grown = o.adjusted(-kWindowGap, -kWindowGap, kWindowGap, kWindowGap);
            if (!grown.intersects(side.strip))
                continue;
            if (side.vertical)
                blocked.push_back({grown.y(), grown.y() + grown.height()});
            else
                blocked.push_back({grown.x(), grown.x() + grown.width()});
        }
        QRect free = side.strip;
        if (side.vertical) {
            const Run run = longestFreeRun(free.y(), free.y() + free.height(), blocked);
            free.setTop(run.first);
            free.setBottom(run.second - 1);
        } else {
            const Run run = longestFreeRun(free.x(), free.x() + free.width(), blocked);
            free.setLeft(run.first);
            free.setRight(run.second - 1);
        }
        const Fit fit = fitTwo(free, side.vertical, sizes.alarms, sizes.events);
        if (fit.score > best.score) {
            best = fit;
            bestFree = free;
            bestSide = &side;
        }
    }

    if (!bestSide) {
        // A screen too small for any free side: the violations window in the
        // top-right corner, the events window in the bottom-left one.
        p.alarms = QRect(QPoint(areaRight - sizes.alarms.width(), area.y()), sizes.alarms);
        p.events = QRect(QPoint(area.x(), areaBottom - sizes.events.height()), sizes.events);
        p.alarms = clampedInto(area, p.alarms);
        p.events = clampedInto(area, p.events);
        return p;
    }

    const int freeRight = bestFree.x() + bestFree.width();
    const int freeBottom = bestFree.y() + bestFree.height();
    if (bestSide->vertical) {
        const int total = best.first.height() + kWindowGap + best.second.height();
        const int top = std::clamp(p.main.y(), bestFree.y(), freeBottom - total);
        const auto xOf = [&](const QSize& s) {
            return bestSide->beforeMain ? freeRight - s.width() : bestFree.x();
        };
        p.alarms = QRect(QPoint(xOf(best.first), top), best.first);
        p.events =
            QRect(QPoint(xOf(best.second), top + best.first.height() + kWindowGap), best.second);
    } else {
        const int total = best.first.width() + kWindowGap + best.second.width();
        const int left = std::clamp(p.main.x(), bestFree.x(), freeRight - total);
        const auto yOf = [&](const QSize& s) {
            return bestSide->beforeMain ? freeBottom - s.height() : bestFree.y();
        };
        p.alarms = QRect(QPoint(left, yOf(best.first)), best.first);
        p.events =
            QRect(QPoint(left + best.first.width() + kWindowGap, yOf(best.second)), best.second);
    }
    return p;
}

QRect besideRect(const QRect& area, const QRect& anchor, const QSize& size)
{
    const int areaRight = area.x() + area.width();
    const int areaBottom = area.y() + area.height();
    const auto fits = [&](const QRect& r) {
        return r.x() >= area.x() && r.y() >= area.y() && r.x() + r.width() <= areaRight
               && r.y() + r.height() <= areaBottom;
    };
    const int clampedTop = std::max(area.y(), std::min(anchor.y(), areaBottom - size.height()));
    const int clampedLeft = std::max(area.x(), std::min(anchor.x(), areaRight - size.width()));
    const std::array<QRect, 4> tries{
        QRect(QPoint(anchor.x() + anchor.width() + kWindowGap, clampedTop), size),
        QRect(QPoint(anchor.x() - kWindowGap - size.width(), clampedTop), size),
        QRect(QPoint(clampedLeft, anchor.y() + anchor.height() + kWindowGap), size),
        QRect(QPoint(clampedLeft, anchor.y() - kWindowGap - size.height()), size),
    };
    for (const QRect& r : tries)
        if (fits(r))
            return r;
    return clampedInto(area, QRect(area.topLeft(), size));
}

} // namespace zelvan::layout

#include "windows/WindowLayout.h"

namespace zelvan::layout {

QRect toPixels(const QRect& twips)
{
    return QRect(toPixels(twips.x()), toPixels(twips.y()), toPixels(twips.width()),
                 toPixels(twips.height()));
}

QLine toPixels(const QLine& twips)
{
    return QLine(toPixels(twips.x1()), toPixels(twips.y1()), toPixels(twips.x2()),
                 toPixels(twips.y2()));
}

std::optional<QRect> stretchedArea(int w, int h, int bottomReserve)
{
    const int height = h - kGuideHeight + 15 - bottomReserve;
    const int width = w - kSideReserve;
    if (height <= 0 || width <= 0)
        return std::nullopt;
    return QRect(kListLeft, kGuideHeight - 15, width, height);
}

std::array<QLine, 4> alarmFrame(const QRect& list)
{
    const int l = list.x() - kFrameOffset;
    const int t = list.y() - kFrameOffset;
    const int r = l + list.width() + 2 * kFrameOffset;
    const int b = t + list.height() + 2 * kFrameOffset;
    return {QLine(l, t, r, t), QLine(r, t, r, b), QLine(l, b, r, b), QLine(l, t, l, b)};
}

std::optional<KeypadArea> keypadArea(int w, int h)
{
    const auto log = stretchedArea(w, h, kKeypadBottomReserve);
    if (!log)
        return std::nullopt;
    const QRect entry(kListLeft, log->y() + kEntryGap + log->height(), log->width(), kEntryHeight);
    return KeypadArea{*log, entry};
}

QPoint keypadPosition(const QRect& mainWindow, int ownHeight)
{
    return QPoint(mainWindow.x() + mainWindow.width() + kKeypadMargin,
                  mainWindow.y() + mainWindow.height() - ownHeight - kKeypadMargin);
}

QPoint tipPosition(const QPoint& windowTopLeft, const QPoint& listTopLeft, const QPoint& mouse,
                   int labelHeight)
{
    // In twips: top = list top + window top + y - label height - 15 + 360,
    // left = list left + window left + x + 90.
    const int top =
        windowTopLeft.y() + listTopLeft.y() + mouse.y() - labelHeight + toPixels(-15 + 360);
    const int left = windowTopLeft.x() + listTopLeft.x() + mouse.x() + toPixels(90);
    return QPoint(left, top);
}

} // namespace zelvan::layout

#pragma once

#include <QLine>
#include <QPoint>
#include <QRect>
#include <array>
#include <optional>

namespace zelvan {

// Geometry of the list windows and the keypad, computed in twips (15 twips per
// logical pixel) the way the window layouts were drawn.
namespace layout {

constexpr int kTwipsPerPixel = 15;
constexpr int kGuideHeight = 90; // height of the invisible guide Line1
constexpr int kListLeft = 75;
constexpr int kSideReserve = 165; // left margin + right margin
constexpr int kListBottomReserve = 75;
constexpr int kKeypadBottomReserve = 465;
constexpr int kEntryGap = 75;
constexpr int kEntryHeight = 315;
constexpr int kFrameOffset = 45; // the alarm frame lies this far outside the list
constexpr int kFrameLineWidthPx = 6;
constexpr int kKeypadMargin = 60; // keypad to main window, right and bottom

constexpr int toTwips(int pixels) { return pixels * kTwipsPerPixel; }
// Nearest pixel of a twips value (rounded towards minus infinity on halves of
// negative values, which never occur in window geometry).
constexpr int toPixels(int twips)
{
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}
QRect toPixels(const QRect& twips);
QLine toPixels(const QLine& twips);

// Where the list goes in a window of inner size w x h (twips), with the given
// space kept free below it; nothing when the window is too small, in which
// case the list keeps its last place.
std::optional<QRect> stretchedArea(int w, int h, int bottomReserve);

// The four lines of the alarm frame (top, right, bottom, left: Line2..Line5)
// around a list rectangle, all in twips.
std::array<QLine, 4> alarmFrame(const QRect& list);

// The list windows: the list's place after a resize to w x h twips.
inline std::optional<QRect> listArea(int w, int h)
{
    return stretchedArea(w, h, kListBottomReserve);
}

// The keypad: the log and the entry line below it.
struct KeypadArea
{
    QRect log;
    QRect entry;
};
std::optional<KeypadArea> keypadArea(int w, int h);

// The keypad's place beside the main window (all twips, outer frames).
QPoint keypadPosition(const QRect& mainWindow, int ownHeight);

// Top-left of a tip window while the right button is held over a list: just
// above and to the right of the pointer. All values in pixels; windowTopLeft is
// the outer top-left of the list's window, listTopLeft the list's place in it,
// mouse the pointer relative to the list.
QPoint tipPosition(const QPoint& windowTopLeft, const QPoint& listTopLeft, const QPoint& mouse,
                   int labelHeight);

} // namespace layout
} // namespace zelvan

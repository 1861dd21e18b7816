#pragma once

#include <QtGlobal>
#include <array>

namespace zelvan {

// Colours as 32-bit values, red in the low byte.
namespace PanelColor {
constexpr qint32 Black = 0;
constexpr qint32 Red = 255;
constexpr qint32 DarkRed = 128;
constexpr qint32 BrightGreen = 65280;
constexpr qint32 Green = 32768;
constexpr qint32 Blue = 16711680;
constexpr qint32 DarkBlue = 8388608;
constexpr qint32 Magenta = 16711935;
constexpr qint32 Orange = 33023;
constexpr qint32 Yellow = 65535;
constexpr qint32 White = 16777215;
} // namespace PanelColor

// The operator's marker colours of the object buttons, in forward order.
constexpr std::array<qint32, 11> kMarkerColors{
    PanelColor::Black,  PanelColor::Red,    PanelColor::DarkRed,  PanelColor::BrightGreen,
    PanelColor::Green,  PanelColor::Blue,   PanelColor::DarkBlue, PanelColor::Magenta,
    PanelColor::Orange, PanelColor::Yellow, PanelColor::White};

// One step forward through the cycle; white and any colour outside it go to black.
qint32 nextMarkerColor(qint32 color);
// One step backward; black goes to white, a colour outside the cycle to yellow.
qint32 previousMarkerColor(qint32 color);

} // namespace zelvan

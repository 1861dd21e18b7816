#include "panel/MarkerColors.h"

#include <algorithm>

namespace zelvan {

namespace {
int positionOf(qint32 color)
{
    const auto it = std::find(kMarkerColors.begin(), kMarkerColors.end(), color);
    return it == kMarkerColors.end() ? -1 : int(it - kMarkerColors.begin());
}
} // namespace

qint32 nextMarkerColor(qint32 color)
{
    const int i = positionOf(color);
    if (i < 0)
        return PanelColor::Black;
    return kMarkerColors[size_t((i + 1) % int(kMarkerColors.size()))];
}

qint32 previousMarkerColor(qint32 color)
{
    const int i = positionOf(color);
    if (i < 0)
        return PanelColor::Yellow;
    const int n = int(kMarkerColors.size());
    return kMarkerColors[size_t((i + n - 1) % n)];
}

} // namespace zelvan

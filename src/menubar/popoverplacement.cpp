#include "menubar/popoverplacement.h"

#include <algorithm>

namespace Quello::PopoverPlacement {

namespace {

int clampInto(int start, int length, int areaStart, int areaLength) {
    // A panel longer than the area keeps its start at the area's start.
    const int last = std::max(areaStart, areaStart + areaLength - length);
    return std::clamp(start, areaStart, last);
}

} // namespace

QPoint topLeft(const QRect& anchor, const QSize& panel, const QRect& available) {
    const bool below = anchor.center().y() < available.center().y();
    const int x = anchor.center().x() - panel.width() / 2;
    const int y = below ? anchor.bottom() + 1 + gap : anchor.top() - gap - panel.height();
    return {clampInto(x, panel.width(), available.left(), available.width()),
            clampInto(y, panel.height(), available.top(), available.height())};
}

} // namespace Quello::PopoverPlacement

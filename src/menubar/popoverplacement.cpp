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
    // Centres from edges, since QRect::center() rounds an even width down.
    const int anchorMiddleY = anchor.top() + anchor.height() / 2;
    const bool below = anchorMiddleY < available.top() + available.height() / 2;
    const int x = anchor.left() + anchor.width() / 2 - panel.width() / 2;
    const int y = below ? anchor.bottom() + 1 + gap : anchor.top() - gap - panel.height();
    return {clampInto(x, panel.width(), available.left(), available.width()),
            clampInto(y, panel.height(), available.top(), available.height())};
}

} // namespace Quello::PopoverPlacement

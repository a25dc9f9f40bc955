#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace Quello {

// Where the panel opens next to the tray icon.
namespace PopoverPlacement {

// Room left between the icon and the panel.
inline constexpr int gap = 4;

// The panel's top left corner for an icon at `anchor` on a screen whose free
// area is `available`. The panel hangs below an icon in the upper half of the
// screen and stands above one in the lower half, centred on the icon, so the
// edge next to the icon stays put whatever the panel's height. It is then
// pushed inside `available`.
QPoint topLeft(const QRect& anchor, const QSize& panel, const QRect& available);

} // namespace PopoverPlacement

} // namespace Quello

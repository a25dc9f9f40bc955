#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>

namespace Quello {

// The tray icon: a centre dot inside two dotted rings, with a small extra dot
// in the top right corner while a watch is pending. Drawn in code on an
// 18 x 18 canvas of device-independent pixels.
namespace MenuBarIcon {

inline constexpr int size = 18;

// One rendering at the given device pixel ratio, in one colour on a
// transparent ground. Pure: the same arguments give the same pixels.
QImage image(bool pending, const QColor& color, qreal devicePixelRatio);

// Both the 1x and the 2x rendering, marked as a mask.
QIcon icon(bool pending, const QColor& color);

} // namespace MenuBarIcon

} // namespace Quello

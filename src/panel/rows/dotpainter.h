#pragma once

#include "store/resolverstatus.h"

#include <QColor>
#include <QList>
#include <QRectF>

class QPainter;
class QPalette;

namespace Quello {

// How a watch's status dot looks.
enum class StatusDotLook {
    Settled,   // the resolvers agree: blue-to-violet with a violet glow
    Unsettled, // answers are in but do not settle it: orange with a glow
    Unchecked, // no check has stored results yet: a grey ring
};

// The small round marks of the watch rows, painted rather than built from
// widgets so that long lists stay light.
namespace DotPainter {

inline constexpr qreal statusFrame = 12;
inline constexpr qreal statusDiameter = 9;
inline constexpr qreal miniDiameter = 5;

// The colours a dot is painted in on `palette`'s panel, each at least 3:1
// against what lies behind it: two for the settled dot's gradient, one else.
QList<QColor> statusDotColors(StatusDotLook look, const QPalette& palette);
QColor miniDotColor(ResolverStatus status, const QPalette& palette);

// A 9-point dot centred in `frame`; its glow may reach past the frame.
void paintStatusDot(QPainter& painter, const QRectF& frame, StatusDotLook look,
                    const QPalette& palette);

// A 5-point resolver dot centred in `frame`.
void paintMiniDot(QPainter& painter, const QRectF& frame, ResolverStatus status,
                  const QPalette& palette);

} // namespace DotPainter

} // namespace Quello

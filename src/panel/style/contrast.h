#pragma once

#include <QColor>

namespace Quello {

// Legibility of the panel's colours against what lies behind them, in the
// WCAG sense (1:1 to 21:1).
namespace Contrast {

double ratio(const QColor& a, const QColor& b);
// `top` with its alpha laid over the opaque `ground`.
QColor over(const QColor& top, const QColor& ground);
// `color` moved toward black or white, whichever stands further from
// `ground`, until it reaches `minimum`:1; unchanged when it does already.
QColor legible(const QColor& color, const QColor& ground, double minimum = 4.5);

} // namespace Contrast

} // namespace Quello

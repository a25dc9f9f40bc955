#pragma once

#include <QColor>
#include <QFont>

class QPalette;
class QWidget;

namespace Quello {

// The panel's text styles mapped onto the desktop's fonts. Sizes are in
// device-independent pixels, which stand in for points.
namespace TextStyles {

QFont headline();                    // system font, bold, about one size above body
QFont callout();                     // a little below body
QFont caption();                     // system size minus two
QFont monospaced(const QFont& base); // the same size, fixed-pitch family
// A size the design gives against a 13-point body text, taken in the same
// proportion from the desktop's body font, so small labels grow with it.
QFont scaledFont(qreal designSize, QFont::Weight weight = QFont::Normal);

// What the panel's content stands on at its least contrast: the window under
// the faint text-coloured fill of badges and hovered rows.
QColor ground(const QPalette& palette);

// The palette's placeholder-text colour, used wherever text is secondary.
QColor secondary(const QWidget* widget);
QColor secondary(const QPalette& palette);
// `color`, as laid over the ground, brought to 3:1 against it: for marks that
// are not text (dots, rings, the focus ring, state symbols).
QColor mark(const QColor& color, const QPalette& palette);
// The palette's text colour at the given opacity.
QColor primary(const QWidget* widget, qreal opacity = 1.0);

} // namespace TextStyles

} // namespace Quello

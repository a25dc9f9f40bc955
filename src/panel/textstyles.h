#pragma once

#include <QColor>
#include <QFont>

class QWidget;

namespace Quello {

// The panel's text styles mapped onto the desktop's fonts. Sizes are in
// device-independent pixels, which stand in for points.
namespace TextStyles {

QFont headline();                    // system font, bold, about one size above body
QFont callout();                     // a little below body
QFont caption();                     // system size minus two
QFont monospaced(const QFont& base); // the same size, fixed-pitch family
QFont systemFont(qreal pixelSize, QFont::Weight weight = QFont::Normal);

// The palette's placeholder-text colour, used wherever text is secondary.
QColor secondary(const QWidget* widget);
// The palette's text colour at the given opacity.
QColor primary(const QWidget* widget, qreal opacity = 1.0);

} // namespace TextStyles

} // namespace Quello

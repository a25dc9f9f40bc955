#pragma once

#include <QColor>

namespace Quello {

// The two accent colours of the panel, fully opaque; translucent uses apply
// their own alpha.
namespace AccentColors {

QColor blue();   // sRGB 0.43, 0.55, 1.0
QColor violet(); // sRGB 0.69, 0.42, 1.0

} // namespace AccentColors

} // namespace Quello

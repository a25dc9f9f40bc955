#include "panel/style/accentcolors.h"

namespace Quello::AccentColors {

QColor blue() {
    static const QColor color = QColor::fromRgbF(0.43f, 0.55f, 1.0f);
    return color;
}

QColor violet() {
    static const QColor color = QColor::fromRgbF(0.69f, 0.42f, 1.0f);
    return color;
}

} // namespace Quello::AccentColors

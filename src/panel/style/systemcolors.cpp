#include "panel/style/systemcolors.h"

namespace Quello::SystemColors {

QColor orange() {
    return QColor::fromRgb(255, 149, 0);
}

} // namespace Quello::SystemColors

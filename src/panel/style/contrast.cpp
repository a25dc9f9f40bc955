#include "panel/style/contrast.h"

#include <algorithm>
#include <cmath>

namespace Quello::Contrast {

namespace {

double luminance(const QColor& color) {
    const auto channel = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = color.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF())
           + 0.0722 * channel(rgb.blueF());
}

QColor mix(const QColor& from, const QColor& to, double t) {
    const auto at = [t](double a, double b) { return static_cast<float>(a + (b - a) * t); };
    return QColor::fromRgbF(at(from.redF(), to.redF()), at(from.greenF(), to.greenF()),
                            at(from.blueF(), to.blueF()), static_cast<float>(from.alphaF()));
}

} // namespace

double ratio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor over(const QColor& top, const QColor& ground) {
    QColor blended = mix(ground, top, top.alphaF());
    blended.setAlphaF(1);
    return blended;
}

QColor legible(const QColor& color, const QColor& ground, double minimum) {
    if (ratio(color, ground) >= minimum)
        return color;
    const QColor target =
        ratio(Qt::black, ground) > ratio(Qt::white, ground) ? Qt::black : Qt::white;
    // The smallest step toward the target that is enough.
    double low = 0, high = 1;
    for (int i = 0; i < 12; ++i) {
        const double t = (low + high) / 2;
        (ratio(mix(color, target, t), ground) >= minimum ? high : low) = t;
    }
    return mix(color, target, high);
}

} // namespace Quello::Contrast

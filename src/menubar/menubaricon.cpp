#include "menubar/menubaricon.h"

#include "menubar/menubariconengine.h"

#include <QPainter>

#include <cmath>
#include <numbers>

namespace Quello::MenuBarIcon {

namespace {

constexpr QPointF centre(9, 9.6);
constexpr qreal dotRadius = 1.0;

// `count` dots evenly around a ring, the first `phase` degrees
// counter-clockwise from three o'clock.
void addRing(QList<Disc>& discs, qreal radius, int count, qreal phaseDegrees) {
    for (int i = 0; i < count; ++i) {
        const qreal angle = (phaseDegrees + 360.0 * i / count) * std::numbers::pi / 180;
        discs.append(
            {centre + QPointF(radius * std::cos(angle), -radius * std::sin(angle)), dotRadius});
    }
}

} // namespace

QList<Disc> discs(bool pending) {
    QList<Disc> result{{centre, 2.3}};
    // Eight dots on the inner ring, set off half a step from the twelve of
    // the outer one so that no two dots of the rings face each other.
    addRing(result, 5, 8, 22.5);
    // Twelve: the top right corner, where the marker goes, falls between two.
    addRing(result, 7.6, 12, 0);
    if (pending)
        result.append({{16.2, 2}, 1.7});
    return result;
}

QImage render(bool pending, const QColor& color, int pixels, qreal devicePixelRatio,
              const QColor& edge) {
    QImage result(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(devicePixelRatio);
    result.fill(Qt::transparent);

    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    // Device pixels per unit of the 18-unit canvas: every size has the same
    // geometry, only more or fewer pixels.
    const qreal scale = pixels / devicePixelRatio / size;
    painter.scale(scale, scale);
    painter.setPen(Qt::NoPen);

    const QList<Disc> shapes = discs(pending);
    if (edge.alpha() > 0) {
        painter.setBrush(edge);
        for (const Disc& disc : shapes)
            painter.drawEllipse(disc.centre, disc.radius + edgeWidth, disc.radius + edgeWidth);
    }
    painter.setBrush(color);
    for (const Disc& disc : shapes)
        painter.drawEllipse(disc.centre, disc.radius, disc.radius);
    return result;
}

QImage image(bool pending, const QColor& color, qreal devicePixelRatio) {
    return render(pending, color, qRound(size * devicePixelRatio), devicePixelRatio);
}

QIcon icon(bool pending, const QColor& color, const QString& themeName, const QColor& edge) {
    return QIcon(new MenuBarIconEngine(pending, color, themeName, edge));
}

} // namespace Quello::MenuBarIcon

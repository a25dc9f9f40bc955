#include "menubar/menubaricon.h"

#include "menubar/menubariconengine.h"

#include <QPainter>
#include <QPen>

namespace Quello::MenuBarIcon {

namespace {

constexpr qreal lineWidth = 1.2;

// A circle as the oval inscribed in its square, in y-up coordinates.
QRectF circle(QPointF centre, qreal radius) {
    return {centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius};
}

// QPen counts dash lengths in pen widths; the dots are given in points.
QPen dottedPen(const QColor& color, qreal on, qreal off) {
    QPen pen(color, lineWidth, Qt::CustomDashLine, Qt::RoundCap);
    pen.setDashPattern({on / lineWidth, off / lineWidth});
    pen.setDashOffset(0);
    return pen;
}

} // namespace

QImage render(bool pending, const QColor& color, int pixels, qreal devicePixelRatio) {
    QImage result(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(devicePixelRatio);
    result.fill(Qt::transparent);

    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    // Device pixels per point of the 18-point canvas; the pen scales with it,
    // so every size has the same geometry, only more or fewer pixels.
    const qreal scale = pixels / devicePixelRatio / size;
    painter.scale(scale, scale);
    // The motif is laid out with the origin at the bottom left and y growing
    // upward; flip once so the numbers below read the same way.
    painter.translate(0, size);
    painter.scale(1, -1);

    const QPointF centre(9, 8.4);

    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(circle(centre, 2.3));

    painter.setBrush(Qt::NoBrush);
    painter.setPen(dottedPen(color, 0.1, 2.0));
    painter.drawEllipse(circle(centre, 5));
    painter.setPen(dottedPen(color, 0.1, 2.4));
    painter.drawEllipse(circle(centre, 7.6));

    if (pending) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(circle({16.2, 16}, 1.7));
    }
    return result;
}

QImage image(bool pending, const QColor& color, qreal devicePixelRatio) {
    return render(pending, color, qRound(size * devicePixelRatio), devicePixelRatio);
}

QIcon icon(bool pending, const QColor& color, const QString& themeName) {
    return QIcon(new MenuBarIconEngine(pending, color, themeName));
}

} // namespace Quello::MenuBarIcon

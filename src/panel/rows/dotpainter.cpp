#include "panel/rows/dotpainter.h"

#include "panel/style/accentcolors.h"
#include "panel/style/systemcolors.h"
#include "panel/style/textstyles.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPalette>
#include <QRadialGradient>

namespace Quello::DotPainter {

namespace {

constexpr qreal glowRadius = 3;

QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(static_cast<float>(color.alphaF() * alpha));
    return color;
}

QRectF centred(const QRectF& frame, qreal diameter) {
    return {frame.center().x() - diameter / 2, frame.center().y() - diameter / 2, diameter,
            diameter};
}

// A soft halo standing in for a blurred shadow of the dot, half opaque.
void paintGlow(QPainter& painter, const QRectF& dot, const QColor& color) {
    const qreal outer = dot.width() / 2 + glowRadius;
    QRadialGradient glow(dot.center(), outer);
    glow.setColorAt(0, withAlpha(color, 0.5));
    glow.setColorAt(dot.width() / 2 / outer, withAlpha(color, 0.35));
    glow.setColorAt(1, withAlpha(color, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(glow);
    painter.drawEllipse(dot.center(), outer, outer);
}

void paintRing(QPainter& painter, const QRectF& dot, qreal lineWidth, const QColor& color) {
    painter.setPen(QPen(color, lineWidth));
    painter.setBrush(Qt::NoBrush);
    // Stroked inside the circle's edge.
    const qreal inset = lineWidth / 2;
    painter.drawEllipse(dot.adjusted(inset, inset, -inset, -inset));
}

// The ring of a dot with nothing to show yet, for watches and resolvers alike.
QColor quietRing(const QPalette& palette) {
    return TextStyles::mark(withAlpha(TextStyles::secondary(palette), 0.5), palette);
}

} // namespace

QList<QColor> statusDotColors(StatusDotLook look, const QPalette& palette) {
    switch (look) {
    case StatusDotLook::Settled:
        return {TextStyles::mark(AccentColors::blue(), palette),
                TextStyles::mark(AccentColors::violet(), palette)};
    case StatusDotLook::Unsettled:
        return {TextStyles::mark(SystemColors::orange(), palette)};
    case StatusDotLook::Unchecked:
        break;
    }
    return {quietRing(palette)};
}

QColor miniDotColor(ResolverStatus status, const QPalette& palette) {
    switch (status) {
    case ResolverStatus::Ok:
        return TextStyles::mark(AccentColors::blue(), palette);
    case ResolverStatus::Problem:
        return TextStyles::mark(SystemColors::orange(), palette);
    case ResolverStatus::Waiting:
        break;
    }
    return quietRing(palette);
}

void paintStatusDot(QPainter& painter, const QRectF& frame, StatusDotLook look,
                    const QPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF dot = centred(frame, statusDiameter);
    const QList<QColor> colors = statusDotColors(look, palette);
    switch (look) {
    case StatusDotLook::Settled: {
        paintGlow(painter, dot, colors.last());
        QLinearGradient fill(dot.topLeft(), dot.bottomRight());
        fill.setColorAt(0, colors.first());
        fill.setColorAt(1, colors.last());
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawEllipse(dot);
        break;
    }
    case StatusDotLook::Unsettled:
        paintGlow(painter, dot, colors.first());
        painter.setPen(Qt::NoPen);
        painter.setBrush(colors.first());
        painter.drawEllipse(dot);
        break;
    case StatusDotLook::Unchecked:
        paintRing(painter, dot, 1.5, colors.first());
        break;
    }
    painter.restore();
}

void paintMiniDot(QPainter& painter, const QRectF& frame, ResolverStatus status,
                  const QPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF dot = centred(frame, miniDiameter);
    const QColor color = miniDotColor(status, palette);
    if (status == ResolverStatus::Waiting) {
        paintRing(painter, dot, 1, color);
    } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(dot);
    }
    painter.restore();
}

} // namespace Quello::DotPainter

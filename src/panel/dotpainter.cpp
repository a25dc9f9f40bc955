#include "panel/dotpainter.h"

#include "panel/accentcolors.h"
#include "panel/systemcolors.h"

#include <QLinearGradient>
#include <QPainter>
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

} // namespace

void paintStatusDot(QPainter& painter, const QRectF& frame, StatusDotLook look,
                    const QColor& secondary) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF dot = centred(frame, statusDiameter);
    switch (look) {
    case StatusDotLook::Settled: {
        paintGlow(painter, dot, AccentColors::violet());
        QLinearGradient fill(dot.topLeft(), dot.bottomRight());
        fill.setColorAt(0, AccentColors::blue());
        fill.setColorAt(1, AccentColors::violet());
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawEllipse(dot);
        break;
    }
    case StatusDotLook::Unsettled:
        paintGlow(painter, dot, SystemColors::orange());
        painter.setPen(Qt::NoPen);
        painter.setBrush(SystemColors::orange());
        painter.drawEllipse(dot);
        break;
    case StatusDotLook::Unchecked:
        paintRing(painter, dot, 1.5, withAlpha(secondary, 0.5));
        break;
    }
    painter.restore();
}

void paintMiniDot(QPainter& painter, const QRectF& frame, ResolverStatus status,
                  const QColor& secondary) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF dot = centred(frame, miniDiameter);
    switch (status) {
    case ResolverStatus::Ok:
        painter.setPen(Qt::NoPen);
        painter.setBrush(AccentColors::blue());
        painter.drawEllipse(dot);
        break;
    case ResolverStatus::Problem:
        painter.setPen(Qt::NoPen);
        painter.setBrush(SystemColors::orange());
        painter.drawEllipse(dot);
        break;
    case ResolverStatus::Waiting:
        paintRing(painter, dot, 1, withAlpha(secondary, 0.5));
        break;
    }
    painter.restore();
}

} // namespace Quello::DotPainter

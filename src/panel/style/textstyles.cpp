#include "panel/style/textstyles.h"

#include "panel/style/contrast.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>
#include <QWidget>

#include <algorithm>

namespace Quello::TextStyles {

namespace {

// The desktop's body font changed by `delta` in its own unit (points when
// the desktop gives points, else pixels).
QFont bodyFont(qreal delta) {
    QFont font = QGuiApplication::font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(std::max<qreal>(1.0, font.pointSizeF() + delta));
    else
        font.setPixelSize(std::max(1, font.pixelSize() + qRound(delta)));
    return font;
}

QPalette paletteOf(const QWidget* widget) {
    return widget != nullptr ? widget->palette() : QGuiApplication::palette();
}

} // namespace

QFont headline() {
    QFont font = bodyFont(+1);
    font.setWeight(QFont::Bold);
    return font;
}

QFont callout() {
    return bodyFont(-1);
}

QFont caption() {
    return bodyFont(-2);
}

QFont monospaced(const QFont& base) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (base.pointSizeF() > 0)
        font.setPointSizeF(base.pointSizeF());
    else
        font.setPixelSize(base.pixelSize());
    font.setWeight(base.weight());
    font.setStyleHint(QFont::Monospace);
    return font;
}

QFont scaledFont(qreal designSize, QFont::Weight weight) {
    constexpr qreal designBody = 13;
    QFont font = QGuiApplication::font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(std::max<qreal>(1.0, font.pointSizeF() * designSize / designBody));
    else
        font.setPixelSize(std::max(1, qRound(font.pixelSize() * designSize / designBody)));
    font.setWeight(weight);
    return font;
}

QColor ground(const QPalette& palette) {
    QColor fill = palette.color(QPalette::WindowText);
    fill.setAlphaF(0.08f);
    return Contrast::over(fill, palette.color(QPalette::Window));
}

QColor secondary(const QWidget* widget) {
    return secondary(paletteOf(widget));
}

QColor secondary(const QPalette& palette) {
    // Legible on the panel and on the faint fills of badges and rows.
    return Contrast::legible(palette.color(QPalette::PlaceholderText), ground(palette));
}

QColor mark(const QColor& color, const QPalette& palette) {
    const QColor behind = ground(palette);
    return Contrast::legible(Contrast::over(color, behind), behind, 3.0);
}

QColor primary(const QWidget* widget, qreal opacity) {
    QColor color = paletteOf(widget).color(QPalette::WindowText);
    color.setAlphaF(static_cast<float>(color.alphaF() * std::clamp<qreal>(opacity, 0.0, 1.0)));
    return color;
}

} // namespace Quello::TextStyles

#include "panel/style/paneldivider.h"

#include "panel/style/contrast.h"

#include <QPainter>

namespace Quello {

PanelDivider::PanelDivider(QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(1);
}

QSize PanelDivider::sizeHint() const {
    return {1, 1};
}

QColor PanelDivider::color(const QPalette& palette) {
    // The desktop's separator colour is its mid tone; in dark palettes it
    // sits too close to the window colour to be seen at all.
    QColor line = palette.color(QPalette::Mid);
    line.setAlphaF(static_cast<float>(opacity));
    const QColor window = palette.color(QPalette::Window);
    return Contrast::legible(Contrast::over(line, window), window, 3.0);
}

void PanelDivider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), color(palette()));
}

} // namespace Quello

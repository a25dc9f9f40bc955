#include "panel/paneldivider.h"

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

void PanelDivider::paintEvent(QPaintEvent*) {
    // The desktop's separator colour is its mid tone.
    QPainter painter(this);
    painter.setOpacity(opacity);
    painter.fillRect(rect(), palette().color(QPalette::Mid));
}

} // namespace Quello

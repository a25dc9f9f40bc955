#include "panel/style/plainiconbutton.h"

#include <QPainter>

namespace Quello {

PlainIconButton::PlainIconButton(const QIcon& icon, int iconSize, int padding, QWidget* parent)
    : QAbstractButton(parent)
    , m_padding(padding) {
    setIcon(icon);
    setIconSize(QSize(iconSize, iconSize));
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    resize(sizeHint());
}

QSize PlainIconButton::sizeHint() const {
    return iconSize() + QSize(2 * m_padding, 2 * m_padding);
}

void PlainIconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (isDown())
        painter.setOpacity(0.6);
    const QRect target(QPoint(m_padding, m_padding), iconSize());
    icon().paint(&painter, target);
}

} // namespace Quello

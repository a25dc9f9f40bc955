#include "panel/rows/listedgefade.h"

#include "panel/style/glassbackground.h"

#include <QLinearGradient>
#include <QPainter>

namespace Quello {

ListEdgeFade::ListEdgeFade(bool atTop, QWidget* parent)
    : QWidget(parent)
    , m_atTop(atTop) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

void ListEdgeFade::paintEvent(QPaintEvent*) {
    // The colour of the ground under the list, as opaque as the sheet is.
    QColor ground = palette().color(QPalette::Window);
    if (window()->testAttribute(Qt::WA_TranslucentBackground))
        ground.setAlphaF(static_cast<float>(GlassBackground::sheetOpacity));
    QColor clear = ground;
    clear.setAlpha(0);

    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, m_atTop ? ground : clear);
    gradient.setColorAt(1, m_atTop ? clear : ground);
    QPainter painter(this);
    painter.fillRect(rect(), gradient);
}

} // namespace Quello

#include "panel/style/iconview.h"

#include <QAccessibleWidget>
#include <QPainter>

namespace Quello {

namespace {

QAccessibleInterface* iconViewFactory(const QString&, QObject* object) {
    if (auto* view = qobject_cast<IconView*>(object))
        return new QAccessibleWidget(view, QAccessible::Graphic);
    return nullptr;
}

} // namespace

IconView::IconView(int side, QWidget* parent)
    : QWidget(parent)
    , m_side(side) {
    static const bool installed = (QAccessible::installFactory(iconViewFactory), true);
    Q_UNUSED(installed);
    setFixedSize(side, side);
}

void IconView::setIcon(const QIcon& icon) {
    m_icon = icon;
    update();
}

QSize IconView::sizeHint() const {
    return {m_side, m_side};
}

void IconView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_icon.paint(&painter, rect());
}

} // namespace Quello

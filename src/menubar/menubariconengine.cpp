#include "menubar/menubariconengine.h"

#include "menubar/menubaricon.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace Quello {

MenuBarIconEngine::MenuBarIconEngine(bool pending, const QColor& color, const QString& themeName,
                                     const QColor& edge)
    : m_pending(pending)
    , m_color(color)
    , m_edge(edge)
    , m_themeName(themeName) {}

void MenuBarIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) {
    const qreal dpr = painter->device() != nullptr ? painter->device()->devicePixelRatio() : 1.0;
    const int side = std::min(rect.width(), rect.height());
    const QImage drawn = MenuBarIcon::render(m_pending, m_color, qRound(side * dpr), dpr, m_edge);
    painter->drawImage(QRectF(rect.x() + (rect.width() - side) / 2.0,
                              rect.y() + (rect.height() - side) / 2.0, side, side),
                       drawn);
}

QSize MenuBarIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State) {
    const int side = std::min(size.width(), size.height());
    return {side, side};
}

QPixmap MenuBarIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap MenuBarIconEngine::scaledPixmap(const QSize& size, QIcon::Mode, QIcon::State, qreal scale) {
    // QIcon hands the size over already in device pixels.
    const int side = std::min(size.width(), size.height());
    return QPixmap::fromImage(MenuBarIcon::render(m_pending, m_color, side, scale, m_edge));
}

QList<QSize> MenuBarIconEngine::availableSizes(QIcon::Mode, QIcon::State) {
    // The slots of common trays, and twice 22 and 24 for doubled scales.
    QList<QSize> sizes;
    for (const int side : {16, 22, 24, 32, 44, 48})
        sizes.append(QSize(side, side));
    return sizes;
}

QString MenuBarIconEngine::iconName() {
    return m_themeName;
}

QString MenuBarIconEngine::key() const {
    return QStringLiteral("QuelloMenuBarIcon");
}

bool MenuBarIconEngine::isNull() {
    return false;
}

QIconEngine* MenuBarIconEngine::clone() const {
    return new MenuBarIconEngine(m_pending, m_color, m_themeName, m_edge);
}

} // namespace Quello

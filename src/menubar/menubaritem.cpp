#include "menubar/menubaritem.h"

#include "menubar/menubaricon.h"
#include "store/digstore.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QSystemTrayIcon>

namespace Quello {

MenuBarItem::MenuBarItem(DigStore& store, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_tray(new QSystemTrayIcon(this)) {
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    Q_EMIT clicked();
            });
    connect(&m_store, &DigStore::watchAdded, this, &MenuBarItem::refresh);
    connect(&m_store, &DigStore::watchRemoved, this, &MenuBarItem::refresh);
    connect(&m_store, &DigStore::watchUpdated, this, &MenuBarItem::refresh);
    // Palette and theme changes are sent to the application object.
    qApp->installEventFilter(this);

    redrawIcons();
    refresh();
    m_tray->show();
}

QRect MenuBarItem::iconGeometry() const {
    return m_tray->geometry();
}

QColor MenuBarItem::foreground() {
    return QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText);
}

bool MenuBarItem::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp
        && (event->type() == QEvent::ApplicationPaletteChange
            || event->type() == QEvent::ThemeChange)) {
        redrawIcons();
        refresh();
    }
    return QObject::eventFilter(watched, event);
}

void MenuBarItem::redrawIcons() {
    const QColor color = foreground();
    m_normalIcon = MenuBarIcon::icon(false, color);
    m_pendingIcon = MenuBarIcon::icon(true, color);
}

void MenuBarItem::refresh() {
    m_label = MenuBarLabel::forPendingCount(m_store.pendingCount());
    m_tray->setIcon(m_label.icon == MenuBarLabel::Icon::Pending ? m_pendingIcon : m_normalIcon);
    m_tray->setToolTip(m_label.toolTip);
}

} // namespace Quello

#include "menubar/menubaritem.h"

#include "menubar/menubaricon.h"
#include "menubar/trayforeground.h"
#include "menubar/trayhosts.h"
#include "menubar/traywatcherprobe.h"
#include "store/digstore.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QPalette>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTimer>

#include <utility>

namespace Quello {

namespace {

// How often a watcher that did not answer is asked again.
constexpr int watcherRetryMs = 10000;

// The icon-theme name, where the theme can find it: a tray told a name it
// cannot find shows nothing, while without one it shows the drawn pictures.
QString installedName(const char* name) {
    const QString file =
        QStringLiteral("icons/hicolor/scalable/apps/%1.svg").arg(QLatin1String(name));
    return QStandardPaths::locate(QStandardPaths::GenericDataLocation, file).isEmpty()
               ? QString()
               : QLatin1String(name);
}

} // namespace

MenuBarItem::MenuBarItem(DigStore& store, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_hosts(new TrayHosts(this)) {
    connect(&m_store, &DigStore::watchAdded, this, &MenuBarItem::refresh);
    connect(&m_store, &DigStore::watchRemoved, this, &MenuBarItem::refresh);
    connect(&m_store, &DigStore::watchUpdated, this, &MenuBarItem::refresh);
    connect(m_hosts, &TrayHosts::changed, this, &MenuBarItem::followHosts);
    // Palette and theme changes are sent to the application object.
    qApp->installEventFilter(this);

    redrawIcons();
    refresh();
    followHosts();
}

MenuBarItem::~MenuBarItem() {
    delete m_menu; // a menu has no QObject parent of ours: it is a widget
}

bool MenuBarItem::inTray() const {
    // Not QSystemTrayIcon::isSystemTrayAvailable(): on the bus that makes
    // blocking calls to the watcher, which may be calling Quello just then.
    return m_tray != nullptr && m_hosts->any();
}

QRect MenuBarItem::iconGeometry() const {
    return m_tray != nullptr ? m_tray->geometry() : QRect();
}

QColor MenuBarItem::foreground() {
    return TrayForeground::forDesktop(
        qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
        QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText));
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

void MenuBarItem::followHosts() {
    if (m_tray != nullptr || !m_hosts->any() || m_askingWatcher)
        return;
    if (!m_hosts->statusNotifierWatcher()) {
        createTray();
        return;
    }
    // Qt asks the watcher with blocking calls when the icon is made: a
    // watcher that hangs gets no icon until it answers, and the panel comes
    // as a window meanwhile.
    m_askingWatcher = true;
    TrayWatcherProbe::ask(QDBusConnection::sessionBus(), this, [this](bool answered) {
        m_askingWatcher = false;
        if (answered) {
            createTray();
            return;
        }
        if (!std::exchange(m_watcherWasSilent, true))
            Q_EMIT trayHostSilent();
        QTimer::singleShot(watcherRetryMs, this, &MenuBarItem::followHosts);
    });
}

void MenuBarItem::createTray() {
    m_tray = new QSystemTrayIcon(this);
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason != QSystemTrayIcon::DoubleClick)
                    Q_EMIT clicked();
            });
    connect(m_tray, &QSystemTrayIcon::messageClicked, this, &MenuBarItem::messageClicked);
    // A StatusNotifierItem host that shows only menus gets one; on an X11
    // tray Qt would pop it up on a right click, which opens the panel there.
    if (m_hosts->statusNotifierWatcher()) {
        m_menu = new QMenu;
        m_menu->addAction(tr("Open Quello"), this, &MenuBarItem::openRequested);
        m_menu->addAction(QCoreApplication::translate("Quello::PanelView", "Check All Now"),
                          &m_store, [this] { m_store.checkAll(); });
        m_tray->setContextMenu(m_menu);
    }
    refresh();
    m_tray->show();
    Q_EMIT trayArrived();
}

void MenuBarItem::redrawIcons() {
    const QColor color = foreground();
    m_normalIcon = MenuBarIcon::icon(false, color, installedName(MenuBarIcon::normalName));
    m_pendingIcon = MenuBarIcon::icon(true, color, installedName(MenuBarIcon::pendingName));
}

void MenuBarItem::refresh() {
    m_label = MenuBarLabel::forPendingCount(m_store.pendingCount());
    m_icon = m_label.icon == MenuBarLabel::Icon::Pending ? m_pendingIcon : m_normalIcon;
    if (m_tray != nullptr) {
        m_tray->setIcon(m_icon);
        m_tray->setToolTip(m_label.toolTip);
    }
}

} // namespace Quello

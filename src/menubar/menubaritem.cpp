#include "menubar/menubaritem.h"

#include "menubar/menubaricon.h"
#include "menubar/trayforeground.h"
#include "menubar/trayhosts.h"
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

// How long a watcher with a host may take to list the item before it is
// registered again.
constexpr int relistMs = 3000;

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
    connect(m_hosts, &TrayHosts::watcherSilent, this, [this] {
        if (!std::exchange(m_watcherWasSilent, true))
            Q_EMIT trayHostSilent();
    });
    // Palette and theme changes are sent to the application object.
    qApp->installEventFilter(this);

    // Qt's item has asked the watcher to list it; if the list still lacks it
    // after this while, the item is made again, which registers it afresh.
    // Only an item Qt made for a host: once Qt has found no host, it makes
    // X11 icons for the rest of the process, and remaking those is no use.
    m_relist.setSingleShot(true);
    m_relist.setInterval(relistMs);
    connect(&m_relist, &QTimer::timeout, this, [this] {
        if (awaitingListing()) {
            delete m_tray;
            m_tray = nullptr;
            createTray();
        }
    });

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
    // A watcher counts once it lists our item and has a host to show it.
    return m_tray != nullptr
           && ((m_hosts->statusNotifierHost() && m_hosts->itemListed()) || m_hosts->xembedTray());
}

QRect MenuBarItem::iconGeometry() const {
    return m_tray != nullptr ? m_tray->geometry() : QRect();
}

bool MenuBarItem::awaitingListing() const {
    return m_tray != nullptr && m_trayForHost && m_hosts->statusNotifierHost()
           && !m_hosts->itemListed();
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
    // Only once a tray truly hosts: Qt chooses between its StatusNotifierItem
    // and its X11 icon when the icon is made, and keeps that choice.
    // Qt asks the watcher with blocking calls when the icon is made; a host
    // counts only once the watcher has just answered TrayHosts, so a hung
    // one never gets that far.
    if (m_tray == nullptr && m_hosts->any())
        createTray();
    if (awaitingListing() && !m_relist.isActive())
        m_relist.start();
    const bool shown = inTray();
    if (shown == m_shown)
        return;
    m_shown = shown;
    if (shown)
        Q_EMIT trayArrived();
    else
        Q_EMIT trayLost();
}

void MenuBarItem::createTray() {
    // Qt decides at its first tray icon of the process, and for good.
    if (!m_trayMadeBefore)
        m_trayForHost = m_hosts->statusNotifierHost();
    m_trayMadeBefore = true;
    m_tray = new QSystemTrayIcon(this);
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason != QSystemTrayIcon::DoubleClick)
                    Q_EMIT clicked();
            });
    connect(m_tray, &QSystemTrayIcon::messageClicked, this, &MenuBarItem::messageClicked);
    // A StatusNotifierItem host that shows only menus gets one; on an X11
    // tray Qt would pop it up on a right click, which opens the panel there.
    if (m_hosts->statusNotifierHost()) {
        if (m_menu == nullptr) {
            m_menu = new QMenu;
            m_menu->addAction(tr("Open Quello"), this, &MenuBarItem::openRequested);
            m_menu->addAction(QCoreApplication::translate("Quello::PanelView", "Check All Now"),
                              &m_store, [this] { m_store.checkAll(); });
        }
        m_tray->setContextMenu(m_menu);
    }
    refresh();
    m_tray->show();
    // Arrived only once a tray shows it: followHosts() says so.
}

void MenuBarItem::redrawIcons() {
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    // The scheme's text colour, made light where the desktop's bar is known
    // to be dark.
    const QColor color = TrayForeground::forDesktop(
        desktop, QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText));
    // A tray that does not tint gets only pictures: exactly these pixels,
    // light on a dark rim, rather than whatever its loader makes of a name.
    const bool named = TrayForeground::tints(desktop);
    const QColor edge = TrayForeground::edgeFor(desktop);
    m_normalIcon = MenuBarIcon::icon(
        false, color, named ? installedName(MenuBarIcon::normalName) : QString(), edge);
    m_pendingIcon = MenuBarIcon::icon(
        true, color, named ? installedName(MenuBarIcon::pendingName) : QString(), edge);
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

#include "menubar/trayhosts.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>

#include <cstdlib>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace Quello {

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

// An X11 tray announces itself only to those who listen on the root window;
// asking the selection's owner now and then is simpler and costs one round
// trip to the X server.
constexpr int xembedPollMs = 1000;

#if QT_CONFIG(xcb)
bool xembedTrayOwned() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return false;
    xcb_connection_t* connection = x11->connection();
    // DISPLAY is ":0" or ":0.1"; the number after the dot is the screen.
    const QString display = qEnvironmentVariable("DISPLAY");
    const int dot = display.lastIndexOf(u'.');
    const int screen = dot > display.lastIndexOf(u':') ? display.mid(dot + 1).toInt() : 0;
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.constData()),
        nullptr);
    if (atom == nullptr)
        return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool owned = owner != nullptr && owner->owner != XCB_NONE;
    std::free(owner); // xcb replies are malloc()ed
    std::free(atom);
    return owned;
}
#else
bool xembedTrayOwned() {
    return false;
}
#endif

} // namespace

TrayHosts::TrayHosts(QObject* parent)
    : QObject(parent)
    , m_busWatcher(new QDBusServiceWatcher(watcherService, QDBusConnection::sessionBus(),
                                           QDBusServiceWatcher::WatchForOwnerChange, this)) {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    m_watcher = bus.isConnected() && bus.interface()->isServiceRegistered(watcherService);
    connect(m_busWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                m_watcher = !newOwner.isEmpty();
                followXembed();
                Q_EMIT changed();
            });

    m_xembed = xembedTrayOwned();
    connect(&m_xembedPoll, &QTimer::timeout, this, &TrayHosts::lookForXembedTray);
    followXembed();
}

void TrayHosts::followXembed() {
    // Only while there is no tray at all, and only on X11.
    const bool wanted =
        !any() && qGuiApp->nativeInterface<QNativeInterface::QX11Application>() != nullptr;
    if (wanted && !m_xembedPoll.isActive())
        m_xembedPoll.start(xembedPollMs);
    else if (!wanted)
        m_xembedPoll.stop();
}

void TrayHosts::lookForXembedTray() {
    if (!xembedTrayOwned())
        return;
    // Once there, Qt's own tray icon follows the tray through restarts.
    m_xembed = true;
    followXembed();
    Q_EMIT changed();
}

} // namespace Quello

#include "menubar/trayhosts.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QVariantMap>

#include <cstdlib>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace Quello {

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
constexpr int askTimeoutMs = 5000;
// A watcher that is up answers in milliseconds; one silent this long is hung,
// and the window should not wait out the whole grace for a tray.
constexpr int silentMs = 2000;

// An X11 tray announces itself only to those who listen on the root window,
// and says nothing when it goes; asking the selection's owner every second
// is simpler and costs one round trip to the X server.
constexpr int xembedPollMs = 1000;

#if QT_CONFIG(xcb)
bool xembedTrayOwned() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return false;
    xcb_connection_t* connection = x11->connection();
    // Named once: the process keeps its one connection, and the poll then
    // costs a single round trip.
    static const xcb_atom_t selection = [connection] {
        // DISPLAY is ":0" or ":0.1"; the number after the dot is the screen.
        const QString display = qEnvironmentVariable("DISPLAY");
        const int dot = display.lastIndexOf(u'.');
        const int screen = dot > display.lastIndexOf(u':') ? display.mid(dot + 1).toInt() : 0;
        const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.constData()),
            nullptr);
        const xcb_atom_t interned = atom != nullptr ? atom->atom : xcb_atom_t(XCB_NONE);
        std::free(atom); // xcb replies are malloc()ed
        return interned;
    }();
    if (selection == XCB_NONE)
        return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = owner != nullptr && owner->owner != XCB_NONE;
    std::free(owner);
    return owned;
}
#else
bool xembedTrayOwned() {
    return false;
}
#endif

// Whether an entry of the watcher's list names an item of this process by its
// well-known bus name, org.kde.StatusNotifierItem-<pid>-<n>.
bool ours(const QString& entry) {
    return entry.startsWith(
        QStringLiteral("org.kde.StatusNotifierItem-%1-").arg(QCoreApplication::applicationPid()));
}

} // namespace

TrayHosts::TrayHosts(QObject* parent)
    : QObject(parent)
    , m_busWatcher(new QDBusServiceWatcher(watcherService, QDBusConnection::sessionBus(),
                                           QDBusServiceWatcher::WatchForOwnerChange, this)) {
    connect(m_busWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                if (newOwner.isEmpty())
                    set(false, false, m_xembed);
                askWatcher();
            });
    QDBusConnection bus = QDBusConnection::sessionBus();
    // A host may register well after the watcher's name appears (waybar
    // does so a tenth of a second later); the watcher says so by signal.
    // From any sender: naming the watcher would make Qt look up its owner
    // with a call that waits for the answer.
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered",
                               "StatusNotifierItemRegistered", "StatusNotifierItemUnregistered"})
        bus.connect(QString(), watcherPath, watcherService, QLatin1String(signal), this,
                    SLOT(askWatcher()));
    askWatcher();

    if (qGuiApp->nativeInterface<QNativeInterface::QX11Application>() != nullptr) {
        m_xembed = xembedTrayOwned();
        connect(&m_xembedPoll, &QTimer::timeout, this, &TrayHosts::lookForXembedTray);
        m_xembedPoll.start(xembedPollMs);
    }
}

void TrayHosts::askWatcher() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage message = QDBusMessage::createMethodCall(
        watcherService, watcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("GetAll"));
    message << watcherService;
    const quint64 generation = ++m_asked;
    auto* call = new QDBusPendingCallWatcher(bus.asyncCall(message, askTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* done) { takeAnswer(done, generation); });
    QTimer::singleShot(silentMs, call, [this, call, generation] {
        if (!call->isFinished() && generation == m_asked)
            Q_EMIT watcherSilent();
    });
}

void TrayHosts::takeAnswer(QDBusPendingCallWatcher* call, quint64 generation) {
    call->deleteLater();
    if (generation != m_asked)
        return;
    const QDBusPendingReply<QVariantMap> reply = *call;
    if (reply.isError()) {
        // No watcher, or one that does not answer: no host to count on.
        set(false, false, m_xembed);
        return;
    }
    const QVariantMap properties = reply.value();
    const bool host = properties.value(QStringLiteral("IsStatusNotifierHostRegistered")).toBool();
    QStringList owners;
    for (const QString& entry :
         properties.value(QStringLiteral("RegisteredStatusNotifierItems")).toStringList()) {
        if (ours(entry)) {
            set(host, true, m_xembed);
            return;
        }
        // Qt's item speaks over a connection of its own, whose unique name
        // the watcher may list: the bus says whose process that is.
        if (entry.startsWith(u':'))
            owners.append(entry.section(u'/', 0, 0));
    }
    set(host, false, m_xembed);
    for (const QString& owner : owners) {
        const QDBusMessage message =
            QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                           QStringLiteral("/org/freedesktop/DBus"),
                                           QStringLiteral("org.freedesktop.DBus"),
                                           QStringLiteral("GetConnectionUnixProcessID"))
            << owner;
        auto* pid = new QDBusPendingCallWatcher(
            QDBusConnection::sessionBus().asyncCall(message, askTimeoutMs), this);
        connect(pid, &QDBusPendingCallWatcher::finished, this,
                [this, generation](QDBusPendingCallWatcher* done) {
                    done->deleteLater();
                    const QDBusPendingReply<uint> process = *done;
                    if (generation == m_asked && !process.isError()
                        && process.value() == QCoreApplication::applicationPid())
                        set(m_host, true, m_xembed);
                });
    }
}

void TrayHosts::set(bool host, bool listed, bool xembed) {
    if (host == m_host && listed == m_listed && xembed == m_xembed)
        return;
    m_host = host;
    m_listed = listed;
    m_xembed = xembed;
    Q_EMIT changed();
}

void TrayHosts::lookForXembedTray() {
    set(m_host, m_listed, xembedTrayOwned());
}

} // namespace Quello

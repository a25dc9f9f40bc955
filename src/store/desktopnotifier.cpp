#include "store/desktopnotifier.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace Quello {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

const QString defaultAction = QStringLiteral("default");

const QString busService = QStringLiteral("org.freedesktop.DBus");

bool serviceMissing(const QString& errorName) {
    return errorName == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
           || errorName == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
}

} // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : Notifier(parent)
    , m_bus(std::move(bus)) {
    if (!m_bus.isConnected())
        return;
    // No sender name in the match: naming the service would make Qt ask the
    // bus for its owner and wait for the answer. Signals are checked against
    // the server that answered each Notify instead.
    m_bus.connect(QString(), path, interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString, QDBusMessage)));
    m_bus.connect(QString(), path, interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onNotificationClosed(uint, uint, QDBusMessage)));
    // A restarted server counts its ids from 1 again. Matched on the name, so
    // that Qt asks nothing before it can listen; the sender is checked later.
    m_bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus"), busService,
                  QStringLiteral("NameOwnerChanged"), QStringList{service}, QString(), this,
                  SLOT(onServerOwnerChanged(QString, QString, QString, QDBusMessage)));
    askCapabilities();
}

void DesktopNotifier::setFallback(Fallback fallback) {
    m_fallback = std::move(fallback);
}

void DesktopNotifier::requestPermission() {
    // Freedesktop servers show whatever they are sent; there is nothing to ask.
}

void DesktopNotifier::notify(const QUuid& watchId, const QString& title, const QString& body) {
    if (!m_bus.isConnected()) {
        fallBack(title, body);
        return;
    }
    if (!m_bodyMarkup)
        askCapabilities();

    // Answers come from DNS, that is from whoever owns the domain: a server
    // that reads markup must see them as plain text. Most servers do, so the
    // body is escaped until the server says otherwise.
    const QString shownBody = m_bodyMarkup.value_or(true) ? body.toHtmlEscaped() : body;

    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QStringLiteral("quello")},
        {QStringLiteral("sound-name"), QStringLiteral("message-new-instant")},
    };
    const QStringList actions{defaultAction, tr("Open Quello")};
    // A watch that settles again replaces its earlier notification.
    const uint replacesId = m_posted.value(watchId).id;

    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    call << QStringLiteral("Quello") << replacesId << QStringLiteral("quello") << title << shownBody
         << actions << hints << qint32(-1);

    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watchId, title, body](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusMessage reply = finished->reply();
                if (reply.type() == QDBusMessage::ErrorMessage) {
                    // Other errors (time-out, a refusing server) go unobserved.
                    if (serviceMissing(reply.errorName()))
                        fallBack(title, body);
                    return;
                }
                const QDBusPendingReply<uint> id = *finished;
                // An answer from a server that has gone meanwhile names an id
                // the new one may hand to another program.
                if (id.isValid() && (!m_server || reply.service() == *m_server))
                    m_posted.insert(watchId, Posted{id.value(), reply.service()});
            });
}

void DesktopNotifier::askCapabilities() {
    if (m_askingCapabilities)
        return;
    m_askingCapabilities = true;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                m_askingCapabilities = false;
                const QDBusPendingReply<QStringList> capabilities = *finished;
                if (capabilities.isValid())
                    m_bodyMarkup = capabilities.value().contains(QLatin1String("body-markup"));
            });
}

void DesktopNotifier::fallBack(const QString& title, const QString& body) const {
    if (m_fallback)
        m_fallback(title, body);
}

std::optional<QUuid> DesktopNotifier::watchFor(uint notificationId, const QString& server) const {
    for (auto it = m_posted.cbegin(); it != m_posted.cend(); ++it) {
        if (it->id == notificationId && it->server == server)
            return it.key();
    }
    return std::nullopt;
}

void DesktopNotifier::onActionInvoked(uint notificationId, const QString& actionKey,
                                      const QDBusMessage& message) {
    if (actionKey != defaultAction)
        return;
    // Only the notification that currently stands for a watch opens it; one
    // that was replaced or closed meanwhile is not ours any more.
    if (const std::optional<QUuid> watchId = watchFor(notificationId, message.service()))
        Q_EMIT activated(*watchId);
}

void DesktopNotifier::onNotificationClosed(uint notificationId, uint reason,
                                           const QDBusMessage& message) {
    Q_UNUSED(reason);
    if (const std::optional<QUuid> watchId = watchFor(notificationId, message.service()))
        m_posted.remove(*watchId);
}

void DesktopNotifier::onServerOwnerChanged(const QString& name, const QString& oldOwner,
                                           const QString& newOwner, const QDBusMessage& message) {
    Q_UNUSED(oldOwner);
    if (message.service() != busService || name != service)
        return;
    m_server = newOwner;
    m_posted.clear();
}

} // namespace Quello

#pragma once

#include "store/notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>

#include <functional>
#include <optional>

namespace Quello {

// org.freedesktop.Notifications on the session bus. Every call is
// asynchronous: no bus, no service or a server that never answers blocks
// nothing and reports nothing.
class DesktopNotifier final : public Notifier {
    Q_OBJECT

public:
    using Fallback = std::function<void(const QString& title, const QString& body)>;

    // How long a Notify call may wait for the server before it is given up.
    static constexpr int callTimeoutMs = 5000;

    explicit DesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(),
                             QObject* parent = nullptr);

    // Used instead when the bus has no notification service (for example a
    // tray balloon).
    void setFallback(Fallback fallback);

    void requestPermission() override;
    void notify(const QUuid& watchId, const QString& title, const QString& body) override;

    // The server's id of the notification that stands for this watch; 0 when
    // there is none (never posted, not answered yet, closed).
    uint notificationId(const QUuid& watchId) const { return m_posted.value(watchId).id; }

private Q_SLOTS:
    void onActionInvoked(uint notificationId, const QString& actionKey,
                         const QDBusMessage& message);
    void onNotificationClosed(uint notificationId, uint reason, const QDBusMessage& message);
    void onServerOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner,
                              const QDBusMessage& message);

private:
    // The server's notification that currently stands for one watch. The
    // server's bus name is kept with its id: ids are only unique per server,
    // and a restarted server counts from 1 again.
    struct Posted {
        uint id = 0;
        QString server;
    };

    void askCapabilities();
    void fallBack(const QString& title, const QString& body) const;
    std::optional<QUuid> watchFor(uint notificationId, const QString& server) const;

    QDBusConnection m_bus;
    Fallback m_fallback;
    QHash<QUuid, Posted> m_posted;
    // Whether the server reads the body as markup; unknown until it says.
    std::optional<bool> m_bodyMarkup;
    bool m_askingCapabilities = false;
    // The server's unique bus name, once the bus has told of a change; until
    // then whoever answers is taken to be the server.
    std::optional<QString> m_server;
};

} // namespace Quello

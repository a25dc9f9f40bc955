#pragma once

#include "store/notifier.h"

#include <QDBusConnection>
#include <QHash>

#include <functional>

namespace Quello {

// org.freedesktop.Notifications on the session bus. Every call is
// asynchronous: no bus, no service or a server that never answers blocks
// nothing and reports nothing.
class DesktopNotifier final : public Notifier {
    Q_OBJECT

public:
    using Fallback = std::function<void(const QString& title, const QString& body)>;

    explicit DesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(),
                             QObject* parent = nullptr);

    // Used instead when the bus has no notification service (for example a
    // tray balloon).
    void setFallback(Fallback fallback);

    void requestPermission() override;
    void notify(const QUuid& watchId, const QString& title, const QString& body) override;

private Q_SLOTS:
    void onActionInvoked(uint notificationId, const QString& actionKey);
    void onNotificationClosed(uint notificationId, uint reason);

private:
    QDBusConnection m_bus;
    Fallback m_fallback;
    QHash<QUuid, uint> m_serverIds; // the server's id of each watch's last notification
};

} // namespace Quello

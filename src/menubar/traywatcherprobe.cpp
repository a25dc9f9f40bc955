#include "menubar/traywatcherprobe.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

namespace Quello::TrayWatcherProbe {

void ask(const QDBusConnection& bus, QObject* context, std::function<void(bool answered)> done) {
    // The very property Qt reads, so the answer comes from where Qt's will.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.kde.StatusNotifierWatcher")
         << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         // An error is an answer too; only silence is not.
                         const QDBusError::ErrorType error = finished->error().type();
                         done(error != QDBusError::NoReply && error != QDBusError::Timeout
                              && error != QDBusError::TimedOut);
                     });
}

} // namespace Quello::TrayWatcherProbe

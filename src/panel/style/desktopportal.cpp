#include "panel/style/desktopportal.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace Quello::DesktopPortal {

namespace {

void readWith(QDBusConnection bus, const QString& method, const QString& group, const QString& key,
              QObject* context, std::function<void(const QVariant&)> done) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, settingsInterface, method);
    call << group << key;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [bus, method, group, key, context,
                      done = std::move(done)](QDBusPendingCallWatcher* finished) mutable {
                         finished->deleteLater();
                         const QDBusPendingReply<QDBusVariant> reply = *finished;
                         if (!reply.isError()) {
                             done(unwrapped(reply.value().variant()));
                             return;
                         }
                         if (method == QLatin1String("ReadOne")
                             && reply.error().type() == QDBusError::UnknownMethod)
                             readWith(bus, QStringLiteral("Read"), group, key, context,
                                      std::move(done));
                     });
}

} // namespace

QVariant unwrapped(QVariant value) {
    while (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

void read(const QDBusConnection& bus, const QString& group, const QString& key, QObject* context,
          std::function<void(const QVariant&)> done) {
    readWith(bus, QStringLiteral("ReadOne"), group, key, context, std::move(done));
}

} // namespace Quello::DesktopPortal

#include "panel/speech/atspievents.h"

#include <QAccessible>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace Quello {

namespace {

// The name and the object paths Qt's bridge uses.
const QString connectionName = QStringLiteral("a11y");
const QString rootPath = QStringLiteral("/org/a11y/atspi/accessible/root");
const QString objectPrefix = QStringLiteral("/org/a11y/atspi/accessible/");

void send(QAccessibleInterface* object, const QString& member, const QString& kind, int detail,
          const QVariant& data) {
    if (object == nullptr || !object->isValid() || !QAccessible::isActive())
        return;
    QDBusConnection bus(connectionName);
    if (!bus.isConnected())
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(objectPrefix + QString::number(QAccessible::uniqueId(object)),
                                   QStringLiteral("org.a11y.atspi.Event.Object"), member);
    // The application as the reference every event ends with: (so).
    QDBusArgument application;
    application.beginStructure();
    application << bus.baseService() << QDBusObjectPath(rootPath);
    application.endStructure();
    signal << kind << detail << 0 << QVariant::fromValue(QDBusVariant(data))
           << QVariant::fromValue(application);
    bus.send(signal);
}

} // namespace

void AtSpiEvents::expandedChanged(QAccessibleInterface* object, bool expanded) {
    const QString stateChanged = QStringLiteral("StateChanged");
    send(object, stateChanged, QStringLiteral("expanded"), expanded ? 1 : 0, 0);
    send(object, stateChanged, QStringLiteral("collapsed"), expanded ? 0 : 1, 0);
}

void AtSpiEvents::descriptionChanged(QAccessibleInterface* object, const QString& description) {
    send(object, QStringLiteral("PropertyChange"), QStringLiteral("accessible-description"), 0,
         description);
}

} // namespace Quello

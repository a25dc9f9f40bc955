#include "panel/speech/screenreaderstatus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace Quello {

namespace {

const QString service = QStringLiteral("org.a11y.Bus");
const QString path = QStringLiteral("/org/a11y/bus");
const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString status = QStringLiteral("org.a11y.Status");

} // namespace

ScreenReaderStatus::ScreenReaderStatus(QObject* parent)
    : QObject(parent) {
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(500);
    connect(&m_quiet, &QTimer::timeout, this, [this] {
        m_awaitingReader = false;
        Q_EMIT readerListening();
    });
    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.isConnected())
        return;
    session.connect(service, path, properties, QStringLiteral("PropertiesChanged"), this,
                    SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    QDBusMessage getAll =
        QDBusMessage::createMethodCall(service, path, properties, QStringLiteral("GetAll"));
    getAll << status;
    // Asked, not started: where no launcher runs, no reader listens either.
    getAll.setAutoStartService(false);
    auto* watcher = new QDBusPendingCallWatcher(session.asyncCall(getAll, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<QVariantMap> reply = *call;
                if (reply.isValid())
                    update(reply.value());
                call->deleteLater();
            });
}

void ScreenReaderStatus::propertiesChanged(const QString& interface, const QVariantMap& changed,
                                           const QStringList&) {
    if (interface == status)
        update(changed);
}

void ScreenReaderStatus::update(const QVariantMap& properties) {
    const bool wasOn = isOn();
    m_enabled = properties.value(QStringLiteral("IsEnabled"), m_enabled).toBool();
    m_screenReader =
        properties.value(QStringLiteral("ScreenReaderEnabled"), m_screenReader).toBool();
    if (isOn() && !wasOn) {
        // The registry is on the accessibility bus, which Qt's bridge is
        // connected to under this name by now.
        const QString registry = QStringLiteral("org.a11y.atspi.Registry");
        m_awaitingReader = QDBusConnection(QStringLiteral("a11y"))
                               .connect(registry, QStringLiteral("/org/a11y/atspi/registry"),
                                        registry, QStringLiteral("EventListenerRegistered"), this,
                                        SLOT(listenerRegistered(QString, QString)));
    }
}

void ScreenReaderStatus::listenerRegistered(const QString&, const QString&) {
    // A reader registers its listeners one after another; it hears
    // everything once they have stopped coming.
    if (m_awaitingReader)
        m_quiet.start();
}

} // namespace Quello

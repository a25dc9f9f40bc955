#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QList>
#include <QStringList>
#include <QVariantMap>

namespace Quello::Test {

// A stand-in for the desktop's notification server (org.freedesktop.Notifications
// at /org/freedesktop/Notifications), for tests on a PrivateBus:
//
//     PrivateBus bus;
//     FakeNotificationServer server(bus.connect(QStringLiteral("server")));
//     QVERIFY(server.start());
//
// It records every Notify call, answers with ids counting up from 1 (a
// replaces_id it handed out before is answered with that same id), and can
// send the ActionInvoked and NotificationClosed signals. With setMode() it
// can instead never answer (the call stays open until the caller gives up)
// or answer every Notify with an error.
//
// A virtual object, so it needs no moc: include the header and go. Calls
// arrive on the thread that created the server, through its event loop.
class FakeNotificationServer final : public QDBusVirtualObject {
public:
    static inline const QString serviceName = QStringLiteral("org.freedesktop.Notifications");
    static inline const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");
    static inline const QString interfaceName = QStringLiteral("org.freedesktop.Notifications");

    enum class Mode {
        Reply,      // answer every call
        NeverReply, // answer no Notify at all
        ErrorReply, // answer every Notify with org.freedesktop.DBus.Error.Failed
    };

    struct NotifyCall {
        QString appName;
        uint replacesId = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout = 0;
        QString sender;      // unique bus name of the caller
        uint answeredId = 0; // 0 when not answered
    };

    explicit FakeNotificationServer(QDBusConnection bus, QObject* parent = nullptr)
        : QDBusVirtualObject(parent)
        , m_bus(std::move(bus)) {}

    ~FakeNotificationServer() override {
        if (m_started) {
            m_bus.unregisterObject(objectPath);
            m_bus.unregisterService(serviceName);
        }
    }

    // Exports the object and takes the service name.
    bool start() {
        if (!m_bus.isConnected())
            return false;
        if (!m_bus.registerVirtualObject(objectPath, this))
            return false;
        m_started = m_bus.registerService(serviceName);
        return m_started;
    }

    void setMode(Mode mode) { m_mode = mode; }
    void setCapabilities(const QStringList& capabilities) { m_capabilities = capabilities; }

    // The server's unique name on the bus: the sender of its replies and signals.
    QString uniqueName() const { return m_bus.baseService(); }

    void emitActionInvoked(uint id, const QString& actionKey) {
        QDBusMessage signal =
            QDBusMessage::createSignal(objectPath, interfaceName, QStringLiteral("ActionInvoked"));
        signal << id << actionKey;
        m_bus.send(signal);
    }

    void emitNotificationClosed(uint id, uint reason = 2) {
        QDBusMessage signal = QDBusMessage::createSignal(objectPath, interfaceName,
                                                         QStringLiteral("NotificationClosed"));
        signal << id << reason;
        m_bus.send(signal);
    }

    QList<NotifyCall> notifyCalls;
    int capabilityRequests = 0;

    QString introspect(const QString& path) const override {
        if (path != objectPath)
            return {};
        return QStringLiteral(
            "<interface name=\"org.freedesktop.Notifications\">"
            "<method name=\"Notify\"><arg type=\"s\" direction=\"in\"/>"
            "<arg type=\"u\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
            "<arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
            "<arg type=\"as\" direction=\"in\"/><arg type=\"a{sv}\" direction=\"in\"/>"
            "<arg type=\"i\" direction=\"in\"/><arg type=\"u\" direction=\"out\"/></method>"
            "<method name=\"GetCapabilities\"><arg type=\"as\" direction=\"out\"/></method>"
            "<method name=\"CloseNotification\"><arg type=\"u\" direction=\"in\"/></method>"
            "<method name=\"GetServerInformation\"><arg type=\"s\" direction=\"out\"/>"
            "<arg type=\"s\" direction=\"out\"/><arg type=\"s\" direction=\"out\"/>"
            "<arg type=\"s\" direction=\"out\"/></method>"
            "<signal name=\"ActionInvoked\"><arg type=\"u\"/><arg type=\"s\"/></signal>"
            "<signal name=\"NotificationClosed\"><arg type=\"u\"/><arg type=\"u\"/></signal>"
            "</interface>");
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != interfaceName)
            return false;
        const QString member = message.member();
        if (member == QLatin1String("Notify"))
            return handleNotify(message, connection);
        if (member == QLatin1String("GetCapabilities")) {
            ++capabilityRequests;
            connection.send(message.createReply(QVariant(m_capabilities)));
            return true;
        }
        if (member == QLatin1String("GetServerInformation")) {
            connection.send(
                message.createReply({QStringLiteral("fake"), QStringLiteral("quello-tests"),
                                     QStringLiteral("1"), QStringLiteral("1.2")}));
            return true;
        }
        if (member == QLatin1String("CloseNotification")) {
            connection.send(message.createReply());
            return true;
        }
        return false;
    }

private:
    bool handleNotify(const QDBusMessage& message, const QDBusConnection& connection) {
        const QVariantList args = message.arguments();
        if (message.signature() != QLatin1String("susssasa{sv}i")) {
            connection.send(message.createErrorReply(QDBusError::InvalidArgs,
                                                     QStringLiteral("bad Notify signature")));
            return true;
        }
        NotifyCall call;
        call.appName = args.at(0).toString();
        call.replacesId = args.at(1).toUInt();
        call.appIcon = args.at(2).toString();
        call.summary = args.at(3).toString();
        call.body = args.at(4).toString();
        call.actions = args.at(5).toStringList();
        call.hints = qdbus_cast<QVariantMap>(args.at(6));
        call.expireTimeout = args.at(7).toInt();
        call.sender = message.service();

        switch (m_mode) {
        case Mode::NeverReply:
            // Keep the call open: the caller waits until its own time-out.
            message.setDelayedReply(true);
            notifyCalls.append(call);
            return true;
        case Mode::ErrorReply:
            connection.send(message.createErrorReply(QDBusError::Failed,
                                                     QStringLiteral("refused by the test")));
            notifyCalls.append(call);
            return true;
        case Mode::Reply:
            break;
        }
        call.answeredId =
            call.replacesId != 0 && call.replacesId < m_nextId ? call.replacesId : m_nextId++;
        notifyCalls.append(call);
        connection.send(message.createReply(QVariant(call.answeredId)));
        return true;
    }

    QDBusConnection m_bus;
    Mode m_mode = Mode::Reply;
    QStringList m_capabilities{QStringLiteral("body"), QStringLiteral("actions"),
                               QStringLiteral("body-markup")};
    uint m_nextId = 1;
    bool m_started = false;
};

} // namespace Quello::Test

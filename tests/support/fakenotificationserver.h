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

// The desktop's notification server on a PrivateBus. It records every Notify
// call and answers with ids counting up from 1 (a
// replaces_id it handed out is answered with itself); setMode() makes it never
// answer or answer with errors.
class FakeNotificationServer final : public QDBusVirtualObject {
public:
    static inline const QString serviceName = QStringLiteral("org.freedesktop.Notifications");
    static inline const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");
    static inline const QString interfaceName = QStringLiteral("org.freedesktop.Notifications");

    enum class Mode { Reply, NeverReply, ErrorReply };

    struct NotifyCall {
        QString appName;
        uint replacesId = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
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

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != interfaceName)
            return false;
        const QString member = message.member();
        if (member == QLatin1String("Notify"))
            return handleNotify(message, connection);
        if (member == QLatin1String("GetCapabilities")) {
            connection.send(message.createReply(QVariant(m_capabilities)));
            return true;
        }
        return false;
    }

private:
    bool handleNotify(const QDBusMessage& message, const QDBusConnection& connection) {
        const QVariantList args = message.arguments();
        NotifyCall call{args.value(0).toString(),
                        args.value(1).toUInt(),
                        args.value(2).toString(),
                        args.value(3).toString(),
                        args.value(4).toString(),
                        args.value(5).toStringList(),
                        qdbus_cast<QVariantMap>(args.value(6))};
        if (m_mode == Mode::Reply)
            call.answeredId =
                call.replacesId != 0 && call.replacesId < m_nextId ? call.replacesId : m_nextId++;
        notifyCalls.append(call);
        if (m_mode == Mode::NeverReply)
            message.setDelayedReply(true);
        else if (m_mode == Mode::ErrorReply)
            connection.send(
                message.createErrorReply(QDBusError::Failed, QStringLiteral("refused")));
        else
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

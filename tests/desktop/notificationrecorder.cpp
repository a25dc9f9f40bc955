// notificationrecorder LOGFILE
//
// A notification server for the desktop tests: it owns
// org.freedesktop.Notifications on the session bus and writes every Notify
// call it receives as one JSON line to LOGFILE:
//
//   {"id":1,"replaces_id":0,"app_name":"Quello","app_icon":"quello",
//    "summary":"…","body":"…","actions":["default","Open Quello"],
//    "hints":{…},"expire_timeout":-1,"sender":":1.7"}
//
// "id" is what it answered. Ids count up from 1; a replaces_id it handed out
// before is answered with that same id. Like a server that shows plain text
// only, it offers "actions" and "body" but not "body-markup".
//
// Once it owns the name it prints "ready" and its unique bus name on standard
// output. It reads commands from standard input, one a line:
//
//   action ID KEY     emits ActionInvoked(ID, KEY)
//   close ID REASON   emits NotificationClosed(ID, REASON)
//
// and ends when standard input closes, so it never outlives its driver.

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {

const QString serviceName = QStringLiteral("org.freedesktop.Notifications");
const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");
const QString interfaceName = QStringLiteral("org.freedesktop.Notifications");

QJsonValue hintValue(const QVariant& value) {
    if (value.canConvert<QDBusVariant>())
        return hintValue(value.value<QDBusVariant>().variant());
    if (value.userType() == qMetaTypeId<QDBusArgument>())
        return QStringLiteral("<%1>").arg(value.value<QDBusArgument>().currentSignature());
    return QJsonValue::fromVariant(value);
}

class Recorder final : public QDBusVirtualObject {
public:
    Recorder(QDBusConnection bus, const QString& logPath)
        : m_bus(std::move(bus))
        , m_log(logPath) {}

    bool start() {
        if (!m_log.open(QIODevice::WriteOnly | QIODevice::Append)) {
            std::fprintf(stderr, "notificationrecorder: cannot write %s\n",
                         qPrintable(m_log.fileName()));
            return false;
        }
        if (!m_bus.isConnected()) {
            std::fprintf(stderr, "notificationrecorder: no session bus\n");
            return false;
        }
        if (!m_bus.registerVirtualObject(objectPath, this) || !m_bus.registerService(serviceName)) {
            std::fprintf(stderr, "notificationrecorder: %s is taken\n", qPrintable(serviceName));
            return false;
        }
        return true;
    }

    QString uniqueName() const { return m_bus.baseService(); }

    void command(const QByteArray& line) {
        const QList<QByteArray> words = line.trimmed().split(' ');
        if (words.size() == 3 && words[0] == "action") {
            QDBusMessage signal = QDBusMessage::createSignal(objectPath, interfaceName,
                                                             QStringLiteral("ActionInvoked"));
            signal << words[1].toUInt() << QString::fromUtf8(words[2]);
            m_bus.send(signal);
        } else if (words.size() == 3 && words[0] == "close") {
            QDBusMessage signal = QDBusMessage::createSignal(objectPath, interfaceName,
                                                             QStringLiteral("NotificationClosed"));
            signal << words[1].toUInt() << words[2].toUInt();
            m_bus.send(signal);
        } else if (!line.trimmed().isEmpty()) {
            std::fprintf(stderr, "notificationrecorder: unknown command: %s\n", line.constData());
        }
    }

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
            return notify(message, connection);
        if (member == QLatin1String("GetCapabilities")) {
            const QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body")};
            connection.send(message.createReply(QVariant(capabilities)));
            return true;
        }
        if (member == QLatin1String("GetServerInformation")) {
            connection.send(message.createReply({QStringLiteral("notificationrecorder"),
                                                 QStringLiteral("Quello tests"),
                                                 QStringLiteral("1.0"), QStringLiteral("1.2")}));
            return true;
        }
        if (member == QLatin1String("CloseNotification")) {
            connection.send(message.createReply());
            return true;
        }
        return false;
    }

private:
    bool notify(const QDBusMessage& message, const QDBusConnection& connection) {
        if (message.signature() != QLatin1String("susssasa{sv}i")) {
            connection.send(message.createErrorReply(
                QDBusError::InvalidArgs,
                QStringLiteral("Notify takes susssasa{sv}i, not ") + message.signature()));
            return true;
        }
        const QVariantList args = message.arguments();
        const uint replacesId = args.at(1).toUInt();
        const uint id = replacesId != 0 && replacesId < m_nextId ? replacesId : m_nextId++;

        QJsonObject hints;
        const QVariantMap hintMap = qdbus_cast<QVariantMap>(args.at(6));
        for (auto it = hintMap.cbegin(); it != hintMap.cend(); ++it)
            hints.insert(it.key(), hintValue(it.value()));

        const QJsonObject line{
            {QStringLiteral("id"), qint64(id)},
            {QStringLiteral("replaces_id"), qint64(replacesId)},
            {QStringLiteral("app_name"), args.at(0).toString()},
            {QStringLiteral("app_icon"), args.at(2).toString()},
            {QStringLiteral("summary"), args.at(3).toString()},
            {QStringLiteral("body"), args.at(4).toString()},
            {QStringLiteral("actions"), QJsonArray::fromStringList(args.at(5).toStringList())},
            {QStringLiteral("hints"), hints},
            {QStringLiteral("expire_timeout"), args.at(7).toInt()},
            {QStringLiteral("sender"), message.service()},
        };
        // Written before the answer: whoever sees the id has the line too.
        m_log.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
        m_log.flush();
        connection.send(message.createReply(QVariant(id)));
        return true;
    }

    QDBusConnection m_bus;
    QFile m_log;
    uint m_nextId = 1;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: notificationrecorder LOGFILE\n");
        return 2;
    }
    Recorder recorder(QDBusConnection::sessionBus(), QString::fromLocal8Bit(argv[1]));
    if (!recorder.start())
        return 1;

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, got);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            recorder.command(pending.left(end));
            pending.remove(0, end + 1);
        }
    });

    std::printf("ready %s\n", qPrintable(recorder.uniqueName()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}

// notificationrecorder LOGFILE
//
// A notification server for the desktop tests: it owns
// org.freedesktop.Notifications on the session bus and writes every Notify
// call as one JSON line to LOGFILE:
//
//   {"id":1,"replaces_id":0,"app_name":"Quello","app_icon":"quello",
//    "summary":"…","body":"…","actions":["default","Open Quello"],
//    "hints":{…},"sender":":1.7"}
//
// "id" is what it answered; a replaces_id it handed out before is answered
// with that same id. It prints "ready" once it owns the name, emits
// ActionInvoked(ID, KEY) for each "action ID KEY" line on standard input, and
// ends when standard input closes, so it never outlives its driver.

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
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
        return m_log.open(QIODevice::WriteOnly | QIODevice::Append) && m_bus.isConnected()
               && m_bus.registerVirtualObject(objectPath, this)
               && m_bus.registerService(interfaceName);
    }

    void command(const QByteArray& line) {
        const QList<QByteArray> words = line.trimmed().split(' ');
        if (words.size() != 3 || words[0] != "action")
            return;
        QDBusMessage signal =
            QDBusMessage::createSignal(objectPath, interfaceName, QStringLiteral("ActionInvoked"));
        signal << words[1].toUInt() << QString::fromUtf8(words[2]);
        m_bus.send(signal);
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != interfaceName)
            return false;
        if (message.member() == QLatin1String("GetCapabilities")) {
            // Like a server that shows plain text only.
            connection.send(message.createReply(
                QVariant(QStringList{QStringLiteral("actions"), QStringLiteral("body")})));
            return true;
        }
        if (message.member() != QLatin1String("Notify")
            || message.signature() != QLatin1String("susssasa{sv}i")) {
            connection.send(message.createErrorReply(QDBusError::InvalidArgs, message.signature()));
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
            {QStringLiteral("sender"), message.service()},
        };
        // Written before the answer: whoever sees the id has the line too.
        m_log.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
        m_log.flush();
        connection.send(message.createReply(QVariant(id)));
        return true;
    }

private:
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
    if (!recorder.start()) {
        std::fprintf(stderr, "notificationrecorder: no log, no bus, or the name is taken\n");
        return 1;
    }

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
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
            recorder.command(pending.left(end));
    });

    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

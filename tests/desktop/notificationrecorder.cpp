// notificationrecorder LOGFILE
//
// The desktop tests' notification server: it owns org.freedesktop.Notifications
// on the session bus, shows plain text only, and writes every Notify call as
// one JSON line to LOGFILE ("id" is what it answered). It prints "ready" once
// it owns the name, emits ActionInvoked(ID, KEY) for each "action ID KEY" line
// on standard input, and ends when standard input closes, so it never
// outlives its driver.

#include "fakenotificationserver.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

using Quello::Test::FakeNotificationServer;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QFile log(argc == 2 ? QString::fromLocal8Bit(argv[1]) : QString());
    FakeNotificationServer server(QDBusConnection::sessionBus());
    server.setCapabilities({QStringLiteral("actions"), QStringLiteral("body")});
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append) || !server.start()) {
        std::fprintf(stderr, "usage: notificationrecorder LOGFILE (a free session bus name)\n");
        return 1;
    }
    // Written before the answer: whoever sees the id has the line too.
    server.onNotify = [&log](const FakeNotificationServer::NotifyCall& call) {
        QJsonObject hints;
        for (auto it = call.hints.cbegin(); it != call.hints.cend(); ++it)
            hints.insert(it.key(), QJsonValue::fromVariant(*it));
        const QJsonObject line{{QStringLiteral("id"), qint64(call.answeredId)},
                               {QStringLiteral("app_icon"), call.appIcon},
                               {QStringLiteral("summary"), call.summary},
                               {QStringLiteral("body"), call.body},
                               {QStringLiteral("hints"), hints}};
        log.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
        log.flush();
    };

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
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QList<QByteArray> words = pending.left(end).trimmed().split(' ');
            if (words.size() == 3 && words[0] == "action")
                server.emitActionInvoked(words[1].toUInt(), QString::fromUtf8(words[2]));
        }
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "fakenotificationserver.h"
#include "privatebus.h"
#include "store/desktopnotifier.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Quello;
using namespace Quello::Test;

namespace {

QString uniqueName(const char* role) {
    static int counter = 0;
    return QLatin1String(role) + QString::number(++counter);
}

struct Setup {
    PrivateBus bus;
    std::unique_ptr<FakeNotificationServer> server;
    std::unique_ptr<DesktopNotifier> notifier;
    QList<std::pair<QString, QString>> fallbacks;

    explicit Setup(bool withServer = true, std::optional<QStringList> capabilities = {}) {
        if (!bus.isRunning())
            return;
        if (withServer) {
            server = std::make_unique<FakeNotificationServer>(bus.connect(uniqueName("server")));
            if (capabilities)
                server->setCapabilities(*capabilities);
            if (!server->start())
                server.reset();
        }
        useConnection(bus.connect(uniqueName("client")));
    }

    void useConnection(const QDBusConnection& connection) {
        notifier = std::make_unique<DesktopNotifier>(connection);
        notifier->setFallback([this](const QString& title, const QString& body) {
            fallbacks.append({title, body});
        });
    }
};

const QUuid watchA = QUuid::createUuid();
const QUuid watchB = QUuid::createUuid();

} // namespace

class TestDesktopNotifier : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void notifyCall_data() {
        QTest::addColumn<bool>("markup");
        QTest::addColumn<QString>("sentBody");

        QTest::newRow("server reads markup")
            << true << "All resolvers now return &lt;a href=&quot;x&quot;&gt;, b &amp; c";
        QTest::newRow("plain server") << false << "All resolvers now return <a href=\"x\">, b & c";
    }

    void notifyCall() {
        QFETCH(bool, markup);
        QFETCH(QString, sentBody);

        Setup s(true, markup ? QStringList{QStringLiteral("body-markup")} : QStringList{});
        QVERIFY(s.server);
        // The first answer also tells the capabilities, asked for right at the start.
        s.notifier->notify(watchA, QStringLiteral("first"), QStringLiteral("first"));
        QTRY_VERIFY(s.notifier->notificationId(watchA) != 0);
        s.notifier->notify(watchB, QStringLiteral("example.test TXT propagated"),
                           QStringLiteral("All resolvers now return <a href=\"x\">, b & c"));
        QTRY_COMPARE(s.server->notifyCalls.size(), 2);

        QCOMPARE(s.server->notifyCalls.last().body, sentBody);
    }

    void replacesOnlyWhatItPosted() {
        Setup s;
        QVERIFY(s.server);
        const QString t = QStringLiteral("t");
        s.notifier->notify(watchA, t, t);
        QTRY_COMPARE(s.notifier->notificationId(watchA), 1u);
        s.notifier->notify(watchB, t, t);
        s.notifier->notify(watchA, t, t);
        QTRY_COMPARE(s.server->notifyCalls.size(), 3);
        QCOMPARE(s.server->notifyCalls[1].replacesId, 0u);
        QCOMPARE(s.server->notifyCalls[2].replacesId, 1u);

        // Once closed, the next one is a new notification.
        s.server->emitNotificationClosed(1);
        QTRY_COMPARE(s.notifier->notificationId(watchA), 0u);
        // A restarted server counts from 1 again: it is handed none of the old ids.
        s.server = std::make_unique<FakeNotificationServer>(s.bus.connect(uniqueName("server")));
        QVERIFY(s.server->start());
        QTRY_COMPARE(s.notifier->notificationId(watchB), 0u);
        s.notifier->notify(watchA, t, t);
        s.notifier->notify(watchB, t, t);
        QTRY_COMPARE(s.server->notifyCalls.size(), 2);
        QCOMPARE(s.server->notifyCalls[0].replacesId, 0u);
        QCOMPARE(s.server->notifyCalls[1].replacesId, 0u);
    }

    void clickOpens_data() {
        QTest::addColumn<bool>("closedBefore");
        QTest::addColumn<bool>("fromOtherPeer");
        QTest::addColumn<bool>("opens");

        QTest::newRow("default action") << false << false << true;
        QTest::newRow("closed notification") << true << false << false;
        QTest::newRow("signal from another peer") << false << true << false;
    }

    void clickOpens() {
        QFETCH(bool, closedBefore);
        QFETCH(bool, fromOtherPeer);
        QFETCH(bool, opens);

        Setup s;
        QVERIFY(s.server);
        QSignalSpy activated(s.notifier.get(), &Notifier::activated);
        s.notifier->notify(watchB, QStringLiteral("t"), QStringLiteral("b"));
        s.notifier->notify(watchA, QStringLiteral("t"), QStringLiteral("b"));
        QTRY_COMPARE(s.notifier->notificationId(watchA), 2u);

        if (closedBefore)
            s.server->emitNotificationClosed(2);
        FakeNotificationServer impostor(s.bus.connect(uniqueName("impostor")));
        (fromOtherPeer ? impostor : *s.server).emitActionInvoked(2, QStringLiteral("default"));

        if (opens) {
            QTRY_COMPARE(activated.size(), 1);
            QCOMPARE(activated.first().first().value<QUuid>(), watchA);
        } else {
            QTest::qWait(300);
            QCOMPARE(activated.size(), 0);
        }
    }

    void fallback_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<bool>("fallsBack");

        QTest::newRow("no bus") << "no bus" << true;
        QTest::newRow("server refuses") << "error" << false;
    }

    void fallback() {
        QFETCH(QString, situation);
        QFETCH(bool, fallsBack);

        Setup s(situation == QLatin1String("error"));
        QVERIFY(s.notifier);
        if (s.server)
            s.server->setMode(FakeNotificationServer::Mode::ErrorReply);
        if (situation == QLatin1String("no bus"))
            s.useConnection(QDBusConnection::connectToBus(
                QStringLiteral("unix:path=/nonexistent/quello-bus"), uniqueName("dead")));

        s.notifier->notify(watchA, QStringLiteral("title"), QStringLiteral("a < b"));
        if (fallsBack) {
            QTRY_COMPARE(s.fallbacks.size(), 1);
            QCOMPARE(s.fallbacks.first(),
                     std::pair(QStringLiteral("title"), QStringLiteral("a < b")));
        } else {
            QTRY_COMPARE(s.server->notifyCalls.size(), 1);
            QTest::qWait(200);
            QVERIFY(s.fallbacks.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestDesktopNotifier)
#include "tst_desktopnotifier.moc"

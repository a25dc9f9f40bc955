#include "panel/motion/desktopmotionpreference.h"
#include "privatebus.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QTemporaryDir>
#include <QTest>

using namespace Quello;
using namespace Quello::Test;

namespace {

// The desktop portal's settings, answering from a table.
class FakePortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    QVariantMap values; // "group key" -> value

public Q_SLOTS:
    QDBusVariant ReadOne(const QString& group, const QString& key) {
        const QString name = group + u' ' + key;
        if (!values.contains(name))
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), name);
        return QDBusVariant(values.value(name));
    }
};

} // namespace

class TestMotionPreference : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void followsTheDesktop_data() {
        QTest::addColumn<QVariantMap>("portal"); // empty: no portal on the bus
        QTest::addColumn<QString>("kdeglobals");
        QTest::addColumn<bool>("animates");
        QTest::addColumn<QString>("changed"); // "group key", empty for none
        QTest::addColumn<QVariant>("changedTo");

        const QString reduced = QStringLiteral("org.freedesktop.appearance reduced-motion");
        const QString gnome = QStringLiteral("org.gnome.desktop.interface enable-animations");
        const QString kde = QStringLiteral("org.kde.kdeglobals.KDE AnimationDurationFactor");
        const QVariantMap noKeys{{QStringLiteral("org.freedesktop.appearance color-scheme"), 1u}};
        const QString factor0 = QStringLiteral("[KDE]\nAnimationDurationFactor=0\n");

        QTest::newRow("nothing says anything")
            << QVariantMap() << QString() << true << QString() << QVariant();
        QTest::newRow("portal without the keys")
            << noKeys << QString() << true << reduced << QVariant(1u);
        QTest::newRow("reduced motion")
            << QVariantMap{{reduced, 1u}} << QString() << false << reduced << QVariant(0u);
        QTest::newRow("reduced motion decides over GNOME")
            << QVariantMap{{reduced, 0u}, {gnome, false}} << QString() << true << QString()
            << QVariant();
        QTest::newRow("GNOME animations off")
            << QVariantMap{{gnome, false}} << QString() << false << gnome << QVariant(true);
        QTest::newRow("GNOME animations on")
            << QVariantMap{{gnome, true}} << factor0 << true << gnome << QVariant(false);
        QTest::newRow("KDE through the portal")
            << QVariantMap{{kde, 0.0}} << QString() << false << kde << QVariant(0.5);
        QTest::newRow("kdeglobals factor 0")
            << QVariantMap() << factor0 << false << QString() << QVariant();
        QTest::newRow("kdeglobals slower animations")
            << noKeys << QStringLiteral("[KDE]\nAnimationDurationFactor=2.5\n") << true << QString()
            << QVariant();
    }

    void followsTheDesktop() {
        QFETCH(QVariantMap, portal);
        QFETCH(QString, kdeglobals);
        QFETCH(bool, animates);
        QFETCH(QString, changed);
        QFETCH(QVariant, changedTo);

        PrivateBus bus;
        QVERIFY2(bus.isRunning(), qPrintable(bus.errorString()));
        QDBusConnection host = bus.connect(QStringLiteral("portal"));
        FakePortal fake;
        fake.values = portal;
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
        if (!portal.isEmpty()) {
            QVERIFY(host.registerObject(path, &fake, QDBusConnection::ExportAllSlots));
            QVERIFY(host.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
        }
        QTemporaryDir config;
        const QString file = config.filePath(QStringLiteral("kdeglobals"));
        if (!kdeglobals.isEmpty()) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(kdeglobals.toUtf8());
        }

        QDBusConnection reader = bus.connect(QStringLiteral("reader"));
        DesktopMotionPreference preference(reader, file);
        // Its questions are answered before one asked after them.
        QDBusPendingCall ping = reader.asyncCall(QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/"),
            QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
        QVERIFY(QTest::qWaitFor([&] { return ping.isFinished(); }));
        QTest::qWait(20);
        QCOMPARE(preference.animationsEnabled(), animates);

        if (changed.isEmpty())
            return;
        QDBusMessage signal =
            QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Settings"),
                                       QStringLiteral("SettingChanged"));
        const QStringList name = changed.split(u' ');
        signal << name[0] << name[1] << QVariant::fromValue(QDBusVariant(changedTo));
        QVERIFY(host.send(signal));
        QTRY_COMPARE(preference.animationsEnabled(), !animates);
    }
};

QTEST_GUILESS_MAIN(TestMotionPreference)
#include "tst_motionpreference.moc"

// Quello under a StatusNotifierItem host of the test's own (snihost.py) on a
// desktop with no other tray (desktop-session, DESKTOP_SESSION_TRAY=none); the
// saved watch runs the real dig against the DNS lab.

#include "desktopdriver.h"
#include "dnslab.h"
#include "menubar/menubaricon.h"
#include "menubar/trayforeground.h"
#include "model/watchlistcodec.h"
#include "panel/style/contrast.h"
#include "privatebus.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <csignal>

using namespace Quello;
using namespace Quello::Test;
using namespace Qt::StringLiterals;

namespace {

const QString domain = u"sni.example.test"_s;

// The pictures the item exports, in this machine's byte order.
QList<QImage> pixmaps(const QJsonObject& props) {
    QList<QImage> images;
    for (const QJsonValue entry : props[u"IconPixmap"_s].toArray()) {
        const QByteArray data = QByteArray::fromBase64(entry[2].toString().toLatin1());
        images.append(QImage(reinterpret_cast<const uchar*>(data.constData()), entry[0].toInt(),
                             entry[1].toInt(), QImage::Format_ARGB32)
                          .copy());
    }
    return images;
}

// The least contrast of the pictures' solid pixels against the bar; 0 when a
// picture has none.
qreal worstContrast(const QList<QImage>& images, const QColor& bar) {
    qreal worst = images.isEmpty() ? 0 : 21;
    for (const QImage& image : images) {
        bool solid = false;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) == 255) {
                    solid = true;
                    worst = std::min(worst, Contrast::ratio(image.pixelColor(x, y), bar));
                }
        worst = solid ? worst : 0;
    }
    return worst;
}

bool markerShown(const QImage& image) {
    return qAlpha(image.pixel(int(16.2 / 18 * image.width()), int(2.0 / 18 * image.height())))
           == 255;
}

} // namespace

class TestStatusNotifier : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    QProcess* m_host = nullptr;
    QProcess* m_quello = nullptr;
    QProcess* m_a11y = nullptr;
    QProcess* m_xembedTray = nullptr;
    int m_registrations = 0;
    int m_newIcons = 0;

    static bool setA(const QString& name, const char* address = "192.0.2.50") {
        return DnsLab::run({u"set-a"_s, u"all"_s, name, QLatin1String(address)});
    }

    // The host's next answer; its events are counted on the way.
    QJsonObject next(int timeoutMs) {
        QDeadlineTimer deadline(timeoutMs);
        while (m_host->canReadLine() || m_host->waitForReadyRead(int(deadline.remainingTime()))) {
            if (!m_host->canReadLine())
                continue; // a long line comes in pieces
            const QJsonObject line = QJsonDocument::fromJson(m_host->readLine()).object();
            m_registrations += line.contains(u"registered"_s);
            m_newIcons += line[u"signal"_s] == u"NewIcon"_s;
            if (!line.contains(u"registered"_s) && !line.contains(u"signal"_s))
                return line;
        }
        return {};
    }
    QJsonObject ask(const QString& command) {
        m_host->write(command.toUtf8() + '\n');
        return next(10000);
    }
    bool registered(int timeoutMs) {
        return QTest::qWaitFor(
            [&] { return m_registrations > 0 || (next(50), m_registrations > 0); }, timeoutMs);
    }
    void startHost(const QStringList& arguments = {}) {
        m_registrations = 0;
        m_host = Desktop::start(this, u"" SNIHOST_PATH ""_s, arguments, m_env);
        QVERIFY(next(10000).contains(u"ready"_s));
    }
    void startQuello(const QStringList& variables) {
        QProcessEnvironment env = m_env;
        for (const QString& variable : variables)
            env.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        m_quello = Desktop::start(this, u"" QUELLO_BINARY ""_s, {}, env);
    }
    int menuItem(const QString& label) {
        for (const QJsonValue item : ask(u"menu"_s)[u"menu"_s].toArray())
            if (item[1].toString() == label)
                return item[0].toInt();
        return -1;
    }
    void saveUnsettledWatch() {
        QSettings(m_dir.filePath(u"Quello/Quello.ini"_s), QSettings::IniFormat)
            .setValue(
                u"QuelloWatches"_s,
                uR"([{"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","domain":"%1",)"
                uR"("recordType":"A","expected":"192.0.2.50","createdAt":800000000}])"_s.arg(domain)
                    .toUtf8());
    }
    bool panelShown() const { return !Desktop::panel(m_quello).isNull(); }
    // Whether the saved list holds the watch of `domain`, settled.
    bool settled(const QString& domain) const {
        const auto list = WatchListCodec::decode(
            QSettings(m_dir.filePath(u"Quello/Quello.ini"_s), QSettings::IniFormat)
                .value(u"QuelloWatches"_s)
                .toByteArray());
        return list && std::any_of(list->cbegin(), list->cend(), [&](const Watch& w) {
                   return w.domain == domain && w.settledAt;
               });
    }

    // A compositor of the test's own, with a keyboard the test presses, and
    // Xwayland; the X display it serves, as its log names it.
    QString startWeston() {
        const QString log = m_dir.filePath(u"weston.log"_s);
        if (!QFile::exists(m_dir.filePath(u"wl-q"_s))) {
            if (!QFile::exists(u"" WESTON_KEYBOARD ""_s))
                return {};
            QProcessEnvironment env = m_env;
            env.insert(u"WESTON_KEYBOARD_FIFO"_s, m_dir.filePath(u"keys"_s));
            Desktop::start(this, u"weston"_s,
                           {u"--backend=headless-backend.so"_s, u"--socket=wl-q"_s,
                            u"--modules=" WESTON_KEYBOARD ""_s, u"--xwayland"_s, u"--log="_s + log},
                           env);
        }
        QString display;
        (void)QTest::qWaitFor(
            [&] {
                QFile file(log);
                const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : "";
                const qsizetype at = text.indexOf("listening on display ");
                if (at >= 0 && QFile::exists(m_dir.filePath(u"wl-q"_s)))
                    display = QString::fromLatin1(text.mid(at + 21).split('\n').constFirst());
                return !display.isEmpty();
            },
            10000);
        return display;
    }
    void press(const QByteArray& lines) {
        QFile keys(m_dir.filePath(u"keys"_s));
        QVERIFY(keys.open(QIODevice::WriteOnly) && keys.write(lines) == lines.size());
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(DnsLab::run({u"status"_s}));
        for (const QString& name :
             {u"HOME"_s, u"XDG_CONFIG_HOME"_s, u"XDG_RUNTIME_DIR"_s, u"KDEHOME"_s})
            m_env.insert(name, m_dir.path());
        m_env.insert(u"XDG_DATA_DIRS"_s, u"" SHARE_DIR ""_s); // the icons, as installed
        m_env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        // One watch that no resolver answers as expected yet.
        QVERIFY(setA(domain, "192.0.2.1"));
        saveUnsettledWatch();
    }

    void cleanup() {
        Desktop::stop(m_quello);
        Desktop::stop(m_host);
        Desktop::stop(m_xembedTray);
        // The accessibility bus goes with its launcher, which only a gentle
        // stop lets clean up; killed, it would leave the bus holding our output.
        if (m_a11y != nullptr) {
            m_a11y->terminate();
            m_a11y->waitForFinished(5000);
            m_a11y = nullptr;
        }
        QTest::qWait(300); // the bus and the X server let go of the dead clients
    }

    void cleanupTestCase() {
        for (const QString& name : {domain, u"wayland.example.test"_s, u"xcb.example.test"_s})
            (void)DnsLab::run({u"set-a"_s, u"all"_s, name});
    }

    // The scheme is switched while Quello runs, as KDE does it: kdeglobals
    // rewritten. The item sends an icon readable on the new panel.
    void kdeSchemeIsFollowedLive_data() {
        QTest::addColumn<QStringList>("schemes"); // panel and text colour, in turn
        const QString dark = u"32,35,38 252,252,252"_s, light = u"239,240,241 35,38,41"_s;
        QTest::newRow("Breeze to Breeze Dark") << QStringList{light, dark};
        QTest::newRow("Breeze Dark to Breeze") << QStringList{dark, light};
    }

    void kdeSchemeIsFollowedLive() {
        QFETCH(QStringList, schemes);
        for (const QString& scheme : schemes) {
            const QString panel = scheme.section(u' ', 0, 0);
            // The colour scheme as KDE writes it: a new file renamed over the old.
            QFile globals(m_dir.filePath(u"kdeglobals.new"_s));
            QVERIFY(globals.open(QIODevice::WriteOnly | QIODevice::Truncate));
            for (const char* group : {"Window", "View", "Button"})
                globals.write(u"[Colors:%1]\nBackgroundNormal=%2\nForegroundNormal=%3\n"_s
                                  .arg(QLatin1String(group), panel, scheme.section(u' ', 1))
                                  .toUtf8());
            globals.close();
            QFile::remove(m_dir.filePath(u"kdeglobals"_s));
            QVERIFY(globals.rename(m_dir.filePath(u"kdeglobals"_s)));
            if (m_quello == nullptr) {
                startHost();
                startQuello({u"XDG_CURRENT_DESKTOP=KDE"_s, u"KDE_SESSION_VERSION=5"_s});
                QVERIFY(registered(10000));
            }
            const QStringList rgb = panel.split(u',');
            const QColor bar(rgb[0].toInt(), rgb[1].toInt(), rgb[2].toInt());
            QTRY_VERIFY_WITH_TIMEOUT(worstContrast(pixmaps(ask(u"props"_s)), bar)
                                         >= TrayForeground::readableContrast,
                                     5000);
        }
    }

    // Elsewhere the desktop portal says whether the scheme is dark, and
    // says so again when it changes.
    void portalSchemeIsFollowedLive() {
        startHost();
        startQuello({u"XDG_CURRENT_DESKTOP=XFCE"_s});
        QVERIFY(registered(10000));
        for (const int scheme : {1, 2, 1}) {
            const int icons = m_newIcons;
            ask(u"scheme %1"_s.arg(scheme));
            QTRY_VERIFY_WITH_TIMEOUT((next(50), m_newIcons > icons), 5000);
            const QColor panel = scheme == 1 ? QColor(32, 35, 38) : QColor(239, 240, 241);
            QVERIFY(worstContrast(pixmaps(ask(u"props"_s)), panel)
                    >= TrayForeground::readableContrast);
        }
    }

    // A GNOME-like desktop whose tray host comes 5 s after Quello, the usual
    // race at login, and restarts later: the icon goes by name, its pictures
    // are light on the black bar, sharp at every size, and the menu and clicks
    // work.
    void gnomeBarNamesTheIconAndClicksOpenThePanel() {
        startQuello({u"XDG_CURRENT_DESKTOP=ubuntu:GNOME"_s});
        QTest::qWait(5000);
        startHost();
        QVERIFY(registered(2000));
        QTRY_VERIFY(!panelShown()); // no window in place of the icon
        const QJsonObject props = ask(u"props"_s);
        QCOMPARE(props[u"IconName"_s].toString(), QLatin1String(MenuBarIcon::pendingName));
        QCOMPARE(props[u"ToolTip"_s].toString(), u"Quello (watching DNS)"_s);
        QCOMPARE(props[u"Status"_s].toString(), u"Active"_s);
        const QList<QImage> images = pixmaps(props);
        QList<int> marked; // the sides of the pictures whose pending marker is solid
        for (const QImage& image : images)
            marked.append(markerShown(image) ? image.width() : -image.width());
        for (const int side : {16, 22, 24, 44, 48})
            QVERIFY2(marked.contains(side), qPrintable(QString::number(side)));
        QVERIFY(worstContrast(images, Qt::black) >= TrayForeground::readableContrast);

        // "Check All Now" from the exported menu: the lab now answers as
        // expected, the watch settles and the icon loses its marker.
        QVERIFY(setA(domain));
        ask(u"click %1"_s.arg(menuItem(u"Check All Now"_s)));
        QTRY_COMPARE_WITH_TIMEOUT(ask(u"props"_s)[u"IconName"_s].toString(),
                                  QLatin1String(MenuBarIcon::normalName), 10000);
        QVERIFY(m_newIcons > 0);
        QVERIFY(!markerShown(pixmaps(ask(u"props"_s)).constFirst()));

        ask(u"click %1"_s.arg(menuItem(u"Open Quello"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(panelShown(), 5000);
        // Every button toggles the panel.
        for (const char* method : {"Activate", "SecondaryActivate", "ContextMenu", "Activate"}) {
            const bool wasShown = panelShown();
            QTest::qWait(400); // past the guard against a closing click reopening it
            ask(u"call %1 600 10"_s.arg(QLatin1String(method)));
            QTRY_VERIFY2_WITH_TIMEOUT(panelShown() != wasShown, method, 5000);
        }
        Desktop::stop(m_host);
        startHost();
        QVERIFY(registered(5000));
    }

    // The login race: waybar's host registers a tenth of a second after its
    // watcher's name appears. Where nothing tints, the item sends pictures
    // only, light on a dark rim.
    void hostAfterTheWatcherGetsTheItem() {
        startQuello({u"XDG_CURRENT_DESKTOP=sway"_s});
        QTest::qWait(1000);
        startHost({u"--host-after"_s, u"100"_s});
        QVERIFY(registered(5000));
        const QJsonObject props = ask(u"props"_s);
        QVERIFY(props[u"IconName"_s].toString().isEmpty());
        QVERIFY(!pixmaps(props).isEmpty());
        QTest::qWait(4000); // past the grace for a window
        QVERIFY(!panelShown());
    }

    // A watcher alone is no tray (Plasma's runs before its panel): the window
    // opens after the grace, goes once a host shows the item and comes back
    // when the host leaves.
    void windowFollowsTheHost() {
        startHost({u"--no-host"_s});
        startQuello({u"XDG_CURRENT_DESKTOP=KDE"_s});
        QTRY_VERIFY_WITH_TIMEOUT(panelShown(), 10000);
        ask(u"host"_s);
        QVERIFY(registered(5000));
        QTRY_VERIFY_WITH_TIMEOUT(!panelShown(), 5000);
        ask(u"leave"_s);
        QTRY_VERIFY_WITH_TIMEOUT(panelShown(), 10000);
    }

    // A host that never lists the item shows no icon: the window stays.
    void windowStaysWhileNoHostListsTheItem() {
        startHost({u"--no-host"_s, u"--unlisted"_s});
        startQuello({u"XDG_CURRENT_DESKTOP=KDE"_s});
        QTRY_VERIFY_WITH_TIMEOUT(panelShown(), 10000);
        ask(u"host"_s);
        QVERIFY(registered(5000));
        QTest::qWait(1500);
        QVERIFY(panelShown());
    }

    // An X11 tray that goes away (its panel quit) leaves no belief in it
    // behind: the window comes back after the grace.
    void xembedTrayThatLeavesBringsTheWindowBack() {
        m_xembedTray = Desktop::start(
            this, u"trayer"_s, {u"--edge"_s, u"top"_s, u"--SetDockType"_s, u"true"_s}, m_env);
        QTest::qWait(1000);
        startQuello({u"XDG_CURRENT_DESKTOP=X-Generic"_s});
        QTest::qWait(6000); // past the grace: in the tray, no window
        QVERIFY(!panelShown());
        Desktop::stop(m_xembedTray);
        QTRY_VERIFY_WITH_TIMEOUT(panelShown(), 10000);
    }

    // A bus, or the tray host on it, that takes calls and never answers
    // (stopped, as a hung desktop shell is): the window comes within 5 s and
    // the saved watch is checked; Qt's blocking calls would hold both.
    void startCannotHangOnASilentBus_data() {
        QTest::addColumn<bool>("wholeBus");
        QTest::newRow("tray host stopped") << false;
        QTest::newRow("session bus stopped") << true;
    }

    void startCannotHangOnASilentBus() {
        QFETCH(bool, wholeBus);
        saveUnsettledWatch();
        QVERIFY(setA(domain));
        PrivateBus bus;
        QVERIFY2(bus.isRunning(), qPrintable(bus.errorString()));
        if (wholeBus) {
            QCOMPARE(::kill(pid_t(bus.pid()), SIGSTOP), 0);
            startQuello({u"DBUS_SESSION_BUS_ADDRESS="_s + bus.address()});
        } else {
            startHost();
            QCOMPARE(::kill(pid_t(m_host->processId()), SIGSTOP), 0);
            startQuello({});
        }
        QTRY_VERIFY_WITH_TIMEOUT(panelShown(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(settled(domain), 10000);
        Desktop::stop(m_quello); // before the bus it may be talking to
    }

    // On Wayland the panel as a person reaches it without a keyboard the
    // compositor could forward: through the accessibility stack.
    bool atspi(const QStringList& arguments) {
        QProcess helper;
        helper.setProcessEnvironment(m_env);
        helper.start(u"/usr/bin/python3"_s,
                     QStringList{u"" ATSPIPANEL_PATH ""_s, QString::number(m_quello->processId())}
                         + arguments);
        return helper.waitForFinished(8000) && helper.exitStatus() == QProcess::NormalExit
               && helper.exitCode() == 0;
    }

    void waylandTypedWatchSettlesAndCtrlQQuits_data() {
        QTest::addColumn<QString>("platform");
        QTest::newRow("Wayland") << u"wayland"_s;
        // Without Qt's Wayland plugin, in a Wayland session: the panel must be
        // a window that gets the keyboard, not a popup.
        QTest::newRow("Xwayland") << u"xcb"_s;
    }

    // Wayland, where Qt has no other kind of tray: the late and the restarted
    // host get the icon there too, and the typed watch's first check settles it.
    void waylandTypedWatchSettlesAndCtrlQQuits() {
        QFETCH(QString, platform);
        const QString typed = platform + u".example.test"_s;
        const QString display = startWeston();
        QVERIFY2(!display.isEmpty(), "needs weston, xwayland and libweston-10-dev when built");
        QProcessEnvironment a11y = m_env; // it needs the system's GSettings schemas
        a11y.insert(u"XDG_DATA_DIRS"_s, u"" SHARE_DIR ":/usr/share"_s);
        m_a11y = Desktop::start(this, u"/usr/libexec/at-spi-bus-launcher"_s,
                                {u"--launch-immediately"_s}, a11y);
        QVERIFY(setA(typed));
        startQuello({u"QT_QPA_PLATFORM="_s + platform, u"WAYLAND_DISPLAY=wl-q"_s,
                     u"DISPLAY="_s + display, u"QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"_s});
        QTest::qWait(5000);
        startHost();
        QVERIFY(registered(2000));
        Desktop::stop(m_host);
        startHost();
        QVERIFY(registered(5000));
        QVERIFY(!atspi({u"showing"_s}));
        ask(u"call Activate 600 10"_s);
        QTRY_VERIFY_WITH_TIMEOUT(atspi({u"showing"_s}), 10000);

        press("type " + typed.toLatin1() + " A 192.0.2.50\nkey Return\n");
        QTRY_VERIFY_WITH_TIMEOUT(settled(typed), 10000);

        press("key Control_L+q\n");
        // Leaving the accessibility bus can take a while on a loaded machine.
        QVERIFY(m_quello->waitForFinished(15000));
        QCOMPARE(m_quello->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_quello->exitCode(), 0);
    }
};

QUELLO_DESKTOP_TEST_MAIN(TestStatusNotifier)

#include "tst_statusnotifier.moc"

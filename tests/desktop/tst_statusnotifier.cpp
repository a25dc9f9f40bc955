// Quello under a StatusNotifierItem host of the test's own (snihost.py), the
// kind of tray every Wayland session and most desktops have: on an X display
// and session bus of its own, with no other tray, so nothing but that host
// can take the icon. The saved watch runs the real dig against the DNS lab.

#include "menubar/menubaricon.h"
#include "menubar/trayforeground.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace Quello;

namespace {

const QString domain = QStringLiteral("sni.example.test");

// The pictures the item exports, as the host receives them (ARGB, big-endian).
QList<QImage> pixmaps(const QJsonObject& props) {
    QList<QImage> images;
    for (const QJsonValue entry : props[QStringLiteral("IconPixmap")].toArray()) {
        const QJsonArray a = entry.toArray();
        const QByteArray data = QByteArray::fromBase64(a[2].toString().toLatin1());
        QImage image(a[0].toInt(), a[1].toInt(), QImage::Format_ARGB32);
        for (int i = 0; i + 3 < data.size() && i / 4 < image.width() * image.height(); i += 4)
            image.setPixel(
                i / 4 % image.width(), i / 4 / image.width(),
                qRgba(uchar(data[i + 1]), uchar(data[i + 2]), uchar(data[i + 3]), uchar(data[i])));
        images.append(image);
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
                    worst = std::min(worst, TrayForeground::contrast(image.pixelColor(x, y), bar));
                }
        if (!solid)
            return 0;
    }
    return worst;
}

bool markerShown(const QImage& image) {
    return qAlpha(image.pixel(qRound(16.2 / 18 * image.width() - 0.5),
                              qRound(2.0 / 18 * image.height() - 0.5)))
           == 255;
}

} // namespace

class TestStatusNotifier : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    QList<QProcess*> m_started;
    QProcess* m_host = nullptr;
    QProcess* m_quello = nullptr;
    QList<QJsonObject> m_events;

    QProcess* start(const QString& program, const QStringList& arguments,
                    const QProcessEnvironment& env) {
        auto* process = new QProcess(this);
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(program == QLatin1String(QUELLO_BINARY)
                                           ? QProcess::ForwardedChannels
                                           : QProcess::ForwardedErrorChannel);
        process->start(program, arguments);
        m_started.append(process);
        return process;
    }
    void stop(QProcess*& process) {
        if (process != nullptr && process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished();
        }
        process = nullptr;
    }
    // The first line a process prints, such as an address it chose.
    static QByteArray firstLine(QProcess* process) {
        while (!process->canReadLine() && process->waitForReadyRead(10000)) {
        }
        return process->readLine().trimmed();
    }

    bool lab(const QStringList& arguments) {
        QProcess process;
        process.start(qEnvironmentVariable("DNSLAB"), arguments);
        return process.waitForFinished(30000) && process.exitCode() == 0;
    }

    // Lines from the host: events are kept, the first answer is returned.
    std::optional<QJsonObject> next(int timeoutMs) {
        QElapsedTimer timer;
        timer.start();
        while (true) {
            while (m_host->canReadLine()) {
                const QJsonObject line = QJsonDocument::fromJson(m_host->readLine()).object();
                if (!line.contains(QStringLiteral("registered"))
                    && !line.contains(QStringLiteral("signal")))
                    return line;
                m_events.append(line);
            }
            if (timer.elapsed() > timeoutMs || m_host->state() != QProcess::Running)
                return std::nullopt;
            m_host->waitForReadyRead(50);
        }
    }
    QJsonObject ask(const QString& command) {
        m_host->write(command.toUtf8() + '\n');
        return next(10000).value_or(QJsonObject());
    }
    bool registered(int timeoutMs) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            for (const QJsonObject& event : std::as_const(m_events))
                if (event.contains(QStringLiteral("registered")))
                    return true;
            next(50);
        }
        return false;
    }
    void startHost() {
        m_events.clear();
        m_host = start(QStringLiteral(SNIHOST_PATH), {}, m_env);
        QVERIFY(m_host->waitForStarted() && next(10000).has_value());
    }
    void startQuello(const QStringList& variables) {
        QProcessEnvironment env = m_env;
        for (const QString& variable : variables)
            env.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        m_quello = start(QStringLiteral(QUELLO_BINARY), {}, env);
    }
    int menuItem(const QString& label) {
        for (const QJsonValue item : ask(QStringLiteral("menu"))[QStringLiteral("menu")].toArray())
            if (item[1].toString() == label)
                return item[0].toInt();
        return -1;
    }
    // A window of Quello's 380 pixels wide is mapped on the private display.
    bool panelShown() const {
        QProcess xdotool;
        xdotool.setProcessEnvironment(m_env);
        xdotool.start(QStringLiteral("sh"),
                      {QStringLiteral("-c"),
                       QStringLiteral("for w in $(xdotool search --onlyvisible --pid %1); do "
                                      "xwininfo -id $w; done")
                           .arg(m_quello->processId())});
        xdotool.waitForFinished();
        return xdotool.readAllStandardOutput().contains("Width: 380");
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(lab({QStringLiteral("status")}));
        QProcess* x = start(QStringLiteral("Xvfb"),
                            {QStringLiteral("-displayfd"), QStringLiteral("1"),
                             QStringLiteral("-nolisten"), QStringLiteral("tcp")},
                            m_env);
        m_env.insert(QStringLiteral("DISPLAY"), u':' + QString::fromLatin1(firstLine(x)));
        // A bus that starts no services: no notification server of the
        // machine's own comes up on it.
        QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                     "<policy context=\"default\"><allow send_destination=\"*\"/>"
                     "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>");
        config.close();
        QProcess* bus = start(QStringLiteral("dbus-daemon"),
                              {QStringLiteral("--config-file=") + config.fileName(),
                               QStringLiteral("--nofork"), QStringLiteral("--print-address=1")},
                              m_env);
        m_env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                     QString::fromLatin1(firstLine(bus)));
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "KDEHOME"})
            m_env.insert(QLatin1String(name), m_dir.path());
        m_env.insert(QStringLiteral("XDG_DATA_DIRS"), m_dir.filePath(QStringLiteral("share")));
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // The icons as installed, by name.
        const QString apps = m_dir.filePath(QStringLiteral("share/icons/hicolor/scalable/apps/"));
        QVERIFY(QDir().mkpath(apps));
        for (const char* name : {MenuBarIcon::normalName, MenuBarIcon::pendingName})
            QVERIFY(QFile::copy(QStringLiteral(ICONS_DIR "/%1.svg").arg(QLatin1String(name)),
                                apps + QLatin1String(name) + QStringLiteral(".svg")));
        // One watch that no resolver answers as expected yet.
        QVERIFY(lab(
            {QStringLiteral("set-a"), QStringLiteral("all"), domain, QStringLiteral("192.0.2.1")}));
        QSettings(m_dir.filePath(QStringLiteral("Quello/Quello.ini")), QSettings::IniFormat)
            .setValue(QStringLiteral("QuelloWatches"),
                      QStringLiteral("[{\"id\":\"6F9619FF-8B86-D011-B42D-00C04FC964FF\","
                                     "\"domain\":\"%1\",\"recordType\":\"A\","
                                     "\"expected\":\"192.0.2.50\",\"createdAt\":800000000}]")
                          .arg(domain)
                          .toUtf8());
    }

    void cleanup() {
        stop(m_quello);
        stop(m_host);
    }

    void cleanupTestCase() {
        for (QProcess* process : std::as_const(m_started))
            stop(process);
        lab({QStringLiteral("set-a"), QStringLiteral("all"), domain});
    }

    // A GNOME-like desktop: the icon goes by name, its pictures are light on
    // the black bar, sharp at every size, and the menu and clicks work.
    void gnomeBarNamesTheIconAndClicksOpenThePanel() {
        startHost();
        startQuello({QStringLiteral("XDG_CURRENT_DESKTOP=ubuntu:GNOME")});
        QVERIFY(registered(10000));
        QJsonObject props = ask(QStringLiteral("props"));
        QVERIFY2(!props.contains(QStringLiteral("error")),
                 QJsonDocument(props).toJson().constData());
        QCOMPARE(props[QStringLiteral("IconName")].toString(),
                 QLatin1String(MenuBarIcon::pendingName));
        QCOMPARE(props[QStringLiteral("ToolTip")].toString(),
                 QStringLiteral("Quello (watching DNS)"));
        QCOMPARE(props[QStringLiteral("Status")].toString(), QStringLiteral("Active"));
        const QList<QImage> images = pixmaps(props);
        QList<int> sides;
        for (const QImage& image : images) {
            sides.append(image.width());
            QVERIFY2(markerShown(image), qPrintable(QString::number(image.width())));
        }
        for (const int side : {16, 22, 24, 44, 48})
            QVERIFY2(sides.contains(side), qPrintable(QString::number(side)));
        QVERIFY(worstContrast(images, Qt::black) >= TrayForeground::readableContrast);

        // "Check All Now" from the exported menu: the lab now answers as
        // expected, the watch settles and the icon loses its marker.
        QVERIFY(lab({QStringLiteral("set-a"), QStringLiteral("all"), domain,
                     QStringLiteral("192.0.2.50")}));
        const int checkAll = menuItem(QStringLiteral("Check All Now"));
        QVERIFY(checkAll >= 0);
        ask(QStringLiteral("click %1").arg(checkAll));
        QTRY_COMPARE_WITH_TIMEOUT(
            ask(QStringLiteral("props"))[QStringLiteral("IconName")].toString(),
            QLatin1String(MenuBarIcon::normalName), 10000);
        QVERIFY(
            m_events.contains(QJsonObject{{QStringLiteral("signal"), QStringLiteral("NewIcon")}}));
        QVERIFY(!markerShown(pixmaps(ask(QStringLiteral("props"))).constFirst()));

        ask(QStringLiteral("click %1").arg(menuItem(QStringLiteral("Open Quello"))));
        QTRY_VERIFY_WITH_TIMEOUT(panelShown(), 5000);
        // Every button toggles the panel.
        for (const char* method : {"Activate", "SecondaryActivate", "ContextMenu", "Activate"}) {
            const bool wasShown = panelShown();
            QTest::qWait(400); // past the guard against a closing click reopening it
            ask(QStringLiteral("call %1 600 10").arg(QLatin1String(method)));
            QTRY_VERIFY2_WITH_TIMEOUT(panelShown() != wasShown, method, 5000);
        }
    }

    void kdeSchemeIsReadableOnItsPanel_data() {
        QTest::addColumn<QColor>("panel");
        QTest::addColumn<QColor>("text");
        QTest::newRow("dark") << QColor(32, 35, 38) << QColor(252, 252, 252);
        QTest::newRow("light") << QColor(239, 240, 241) << QColor(35, 38, 41);
    }

    void kdeSchemeIsReadableOnItsPanel() {
        QFETCH(QColor, panel);
        QFETCH(QColor, text);
        const auto rgb = [](const QColor& c) {
            return QStringLiteral("%1,%2,%3").arg(c.red()).arg(c.green()).arg(c.blue());
        };
        // The colour scheme as KDE writes it, which Qt reads on a KDE desktop.
        QFile globals(m_dir.filePath(QStringLiteral("kdeglobals")));
        QVERIFY(globals.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const char* group : {"Window", "View", "Button"})
            globals.write(QStringLiteral("[Colors:%1]\nBackgroundNormal=%2\nForegroundNormal=%3\n")
                              .arg(QLatin1String(group), rgb(panel), rgb(text))
                              .toUtf8());
        globals.close();
        startHost();
        startQuello(
            {QStringLiteral("XDG_CURRENT_DESKTOP=KDE"), QStringLiteral("KDE_SESSION_VERSION=5")});
        QVERIFY(registered(10000));
        const qreal contrast = worstContrast(pixmaps(ask(QStringLiteral("props"))), panel);
        QVERIFY2(contrast >= TrayForeground::readableContrast,
                 qPrintable(QString::number(contrast)));
    }

    // The usual race at login, and a tray host that restarts.
    void lateAndRestartedHostGetTheIcon() {
        startQuello({});
        QTest::qWait(5000);
        startHost();
        QVERIFY(registered(2000));
        QTest::qWait(500);
        QVERIFY(!panelShown());

        stop(m_host);
        startHost();
        QVERIFY(registered(5000));
    }
};

int main(int argc, char* argv[]) {
    const char* missing = qEnvironmentVariableIsEmpty("DNSLAB") ? "the DNS lab (DNSLAB)" : nullptr;
    for (const char* tool : {"Xvfb", "dbus-daemon", "xdotool", "xwininfo"})
        if (!missing && QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            missing = tool;
    if (missing) {
        std::printf("SKIP: needs %s; run it inside tests/dnslab/dnslab run\n", missing);
        return 77;
    }
    QCoreApplication app(argc, argv);
    TestStatusNotifier test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_statusnotifier.moc"

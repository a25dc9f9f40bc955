// The installed Quello on the virtual desktop, driven as a person would: a
// click on its tray icon, a second start, typing into its panel, its keys. It
// runs the real dig against the DNS lab's resolvers, whose answers the test
// changes between checks, and posts to the test's own notification server.
// (The tray icon's picture is checked on the StatusNotifierItem run.)
//
// The steps build on each other, in order, on one saved watch list; once one
// fails, the rest are skipped.

#include "desktopdriver.h"
#include "dnslab.h"
#include "fakenotificationserver.h"
#include "model/watchlistcodec.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

using namespace Quello;
using namespace Quello::Test;
using namespace Qt::StringLiterals;

namespace {

// Time for a check whose last dig has ended to be decided and saved. Used only
// to give something that must NOT happen the chance to happen.
constexpr int decisionGraceMs = 600;
// A click on the tray icon this soon after the panel closed counts as the
// click that closed it.
constexpr int reopenGuardMs = 400;

// Now in saved form: seconds since 2001-01-01 00:00:00 UTC.
double nowAsInstant() {
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 - 978307200.0;
}

bool setAddress(const char* address) {
    return DnsLab::run({u"set-a"_s, u"all"_s, u"app.example.test"_s, QLatin1String(address)});
}

} // namespace

class TestInstalledQuello : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir; // home, configuration and runtime directory
    QString m_prefix;
    FakeNotificationServer m_notifications{QDBusConnection::sessionBus()};
    QProcess* m_quello = nullptr;
    QRect m_icon;
    bool m_broken = false;
    double m_settledAt = 0; // what the settling step saved

    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    QByteArray savedList() const {
        return QSettings(path("Quello/Quello.ini"), QSettings::IniFormat)
            .value(u"QuelloWatches"_s)
            .toByteArray();
    }
    // The saved list when it holds exactly the one watch typed here.
    std::optional<Watch> saved() const {
        const auto list = WatchListCodec::decode(savedList());
        if (!list || list->size() != 1 || list->first().domain != u"app.example.test"_s
            || list->first().expected != u"192.0.2.7"_s)
            return std::nullopt;
        return list->first();
    }
    // Every dig Quello ran that has ended, as "STATUS ARGUMENTS".
    QStringList digRuns() const {
        QFile file(path("dig.log"));
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                   : QStringList();
    }
    // Whether a check of the four resolvers ended after the first `before` runs.
    bool checked(qsizetype before) const {
        return QTest::qWaitFor([&] { return digRuns().size() >= before + 4; }, 10000);
    }

    // Starts the installed Quello in a mount namespace of its own, where
    // /usr/bin/dig records each run after the real dig has run.
    QProcess* launch() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
            env.insert(QLatin1String(name), m_dir.path());
        env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        // sh -c SCRIPT DIR BINARY: the real dig is mounted aside first, then
        // the recorder over it, and the shell becomes Quello.
        return Desktop::start(this, u"unshare"_s,
                              {u"--mount"_s, u"--propagation=private"_s, u"/bin/sh"_s, u"-c"_s,
                               u"mount --bind /usr/bin/dig \"$0/dig.real\" && "
                               "mount --bind \"$0/dig\" /usr/bin/dig && exec \"$1\""_s,
                               m_dir.path(), m_prefix + u"/bin/quello"_s},
                              env);
    }
    // Starts Quello and waits for its icon in the tray.
    bool startQuello() {
        m_quello = launch();
        m_icon = {};
        (void)QTest::qWaitFor(
            [&] {
                for (const QRect& rect : Desktop::windows(m_quello))
                    if (rect.width() <= 64 && rect.height() <= 64)
                        m_icon = rect;
                return !m_icon.isNull() || m_quello->state() == QProcess::NotRunning;
            },
            15000);
        return !m_icon.isNull();
    }
    bool panelOpen() const { return !Desktop::panel(m_quello).isNull(); }
    bool clickIcon() {
        return Desktop::xdo(
                   u"mousemove %1 %2 click 1"_s.arg(m_icon.center().x()).arg(m_icon.center().y()))
                   .status
               == 0;
    }
    bool openPanel() {
        return panelOpen() || (clickIcon() && QTest::qWaitFor([&] { return panelOpen(); }, 5000));
    }
    bool press(const char* keys) {
        return Desktop::xdo(u"key --clearmodifiers "_s + QLatin1String(keys)).status == 0;
    }

private Q_SLOTS:
    void initTestCase();
    void init() {
        if (m_broken)
            QSKIP("an earlier step failed, and this one builds on it");
    }
    void cleanup() { m_broken = m_broken || QTest::currentTestFailed(); }
    void cleanupTestCase();

    void secondStartShowsThePanel();
    void typedWatchIsAddedAndSaved();
    void allChangedSettleWithOneNotification();
    void notificationOpensThePanel();
    void quitThenRestartChecksTheSavedWatchAtOnce();
};

void TestInstalledQuello::initTestCase() {
    QVERIFY(m_dir.isValid());
    // Control commands refuse to run outside their lab: Quello must not ask
    // the real resolvers.
    QVERIFY2(DnsLab::run({u"status"_s}),
             "DNSLAB is set but this is not its lab; Quello is not started here");

    // The build as a user gets it.
    m_prefix = path("prefix");
    QCOMPARE(Desktop::run(u"" CMAKE_PROGRAM ""_s,
                          {u"--install"_s, u"" QUELLO_BUILD_DIR ""_s, u"--prefix"_s, m_prefix},
                          120000)
                 .status,
             0);
    // The dig Quello finds at /usr/bin/dig, and where the real one is mounted.
    QFile real(path("dig.real"));
    QVERIFY(real.open(QIODevice::WriteOnly));
    QFile wrapper(path("dig"));
    QVERIFY(wrapper.open(QIODevice::WriteOnly));
    wrapper.write(u"#!/bin/sh\n'%2' \"$@\"\nstatus=$?\n"
                  "printf '%s %s\\n' \"$status\" \"$*\" >>'%1' 2>/dev/null\nexit \"$status\"\n"_s
                      .arg(path("dig.log"), real.fileName())
                      .toUtf8());
    QVERIFY(wrapper.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                   | QFile::ReadOther | QFile::ExeOther));

    QVERIFY(DnsLab::run({u"start"_s, u"all"_s}) && setAddress("192.0.2.1"));
    m_notifications.setCapabilities({u"actions"_s, u"body"_s});
    QVERIFY(m_notifications.start());
    QVERIFY(startQuello());
}

void TestInstalledQuello::cleanupTestCase() {
    (void)DnsLab::run({u"start"_s, u"all"_s});
    (void)DnsLab::run({u"set-a"_s, u"all"_s, u"app.example.test"_s});
    if (m_broken)
        qInfo("dig runs:\n%s\nsaved list: %s", qPrintable(digRuns().join(u'\n')),
              savedList().constData());
}

// Started again, Quello hands over to the running one, which opens its panel.
void TestInstalledQuello::secondStartShowsThePanel() {
    QVERIFY(savedList().isEmpty());
    QVERIFY(!panelOpen()); // with a tray, the icon is the way in
    QProcess* second = launch();
    QVERIFY(second->waitForFinished(10000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(panelOpen(), 5000);
    // A click on the icon closes it, and does not open it again.
    QVERIFY(clickIcon());
    QTRY_VERIFY_WITH_TIMEOUT(!panelOpen(), 5000);
    QTest::qWait(reopenGuardMs + 100);
    QVERIFY(!panelOpen());
}

void TestInstalledQuello::typedWatchIsAddedAndSaved() {
    QVERIFY(openPanel());
    // It hangs just below the icon.
    const QRect shown = Desktop::panel(m_quello);
    QVERIFY(shown.top() > m_icon.bottom() && shown.top() - m_icon.bottom() < 12);
    QVERIFY(shown.left() <= m_icon.center().x() && shown.right() >= m_icon.center().x());
    const qsizetype before = digRuns().size();
    const double typedAt = nowAsInstant();
    QCOMPARE(
        Desktop::run(u"xdotool"_s, {u"type"_s, u"--delay=15"_s, u"app.example.test A 192.0.2.7"_s})
            .status,
        0);
    QVERIFY(press("Return"));

    QTRY_VERIFY2_WITH_TIMEOUT(saved() && !saved()->settledAt, savedList().constData(), 5000);
    QVERIFY2(qAbs(saved()->createdAt - typedAt) < 60, savedList().constData());
    // The first check starts by itself.
    QVERIFY2(checked(before), "the new watch was not checked");
    QVERIFY(m_notifications.notifyCalls.isEmpty());
}

void TestInstalledQuello::allChangedSettleWithOneNotification() {
    QVERIFY(setAddress("192.0.2.7"));
    const qsizetype before = digRuns().size();
    QVERIFY(openPanel());
    QVERIFY(press("ctrl+r")); // Check All Now
    QVERIFY(checked(before));

    QTRY_COMPARE_WITH_TIMEOUT(m_notifications.notifyCalls.size(), 1, 5000);
    const FakeNotificationServer::NotifyCall& n = m_notifications.notifyCalls.constFirst();
    QCOMPARE(n.summary, u"app.example.test A propagated"_s);
    QCOMPARE(n.body, u"All resolvers now return 192.0.2.7"_s);
    // The icon and the desktop entry it names are the installed ones.
    const QString entry = n.hints.value(u"desktop-entry"_s).toString();
    QVERIFY(QFileInfo::exists(m_prefix + u"/share/applications/%1.desktop"_s.arg(entry)));
    QVERIFY(QFileInfo::exists(m_prefix
                              + u"/share/icons/hicolor/scalable/apps/%1.svg"_s.arg(n.appIcon)));

    QTRY_VERIFY2_WITH_TIMEOUT(saved() && saved()->settledAt, savedList().constData(), 5000);
    m_settledAt = *saved()->settledAt;
    QVERIFY(m_settledAt >= saved()->createdAt && m_settledAt <= nowAsInstant() + 1);
}

void TestInstalledQuello::notificationOpensThePanel() {
    // A click elsewhere closes the panel, as it closes any popup.
    QVERIFY(Desktop::xdo(u"mousemove 640 700 click 1"_s).status == 0);
    QTRY_VERIFY_WITH_TIMEOUT(!panelOpen(), 5000);
    QTest::qWait(reopenGuardMs);
    m_notifications.emitActionInvoked(m_notifications.notifyCalls.constFirst().answeredId,
                                      u"default"_s);
    QTRY_VERIFY_WITH_TIMEOUT(panelOpen(), 5000);
}

void TestInstalledQuello::quitThenRestartChecksTheSavedWatchAtOnce() {
    QVERIFY(press("ctrl+q"));
    QVERIFY(m_quello->waitForFinished(5000));
    QCOMPARE(m_quello->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_quello->exitCode(), 0);
    const qsizetype before = digRuns().size();
    QVERIFY(startQuello());
    QVERIFY2(checked(before), "the saved watch was not checked at launch");
    // Settled before, settled now: no second notification, the settling time
    // stays.
    QTest::qWait(decisionGraceMs);
    QCOMPARE(m_notifications.notifyCalls.size(), 1);
    QCOMPARE(saved()->settledAt, m_settledAt);
}

QUELLO_DESKTOP_TEST_MAIN(TestInstalledQuello)

#include "tst_installedquello.moc"

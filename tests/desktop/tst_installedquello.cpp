// The installed Quello on the virtual desktop, driven as a person would: a
// click on its tray icon, a second start, typing into its panel, its keys. It
// runs the real dig against the DNS lab's resolvers, whose answers the test
// changes between checks, and posts to a notification server that records
// every call. (The tray icon's picture is checked on the StatusNotifierItem
// run.)
//
// The steps build on each other, in order, on one saved watch list; once one
// fails, the rest are skipped.

#include "model/watchlistcodec.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using Quello::Watch;

namespace {

const QString settledTitle = QStringLiteral("app.example.test A propagated");
const QString settledBody = QStringLiteral("All resolvers now return 192.0.2.7");
// Time for a check whose last dig has ended to be decided and saved. Used only
// to give something that must NOT happen the chance to happen.
constexpr int decisionGraceMs = 600;
// A click on the tray icon this soon after the panel closed counts as the
// click that closed it.
constexpr int reopenGuardMs = 400;
// Somewhere on the desktop with no window of Quello's or the tray's.
const QString away = QStringLiteral("mousemove 640 700 ");

struct Output {
    int status = -1; // -1: did not run or did not end normally
    QByteArray out;
    QByteArray err;
};

Output run(const QString& program, const QStringList& arguments, int timeoutMs = 20000) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// Arguments separated by single spaces.
Output xdo(const QString& arguments) {
    return run(QStringLiteral("xdotool"), arguments.split(u' ', Qt::SkipEmptyParts));
}

// Quello's visible windows but its tooltips.
QList<QRect> windows(const QProcess* quello) {
    QList<QRect> found;
    if (quello == nullptr || quello->state() != QProcess::Running)
        return found;
    const QByteArray ids =
        xdo(QStringLiteral("search --onlyvisible --pid %1").arg(quello->processId())).out;
    for (const QByteArray& id : ids.split('\n')) {
        QHash<QByteArray, int> v;
        for (const QByteArray& line :
             xdo(QStringLiteral("getwindowgeometry --shell ") + QString::fromUtf8(id))
                 .out.split('\n'))
            v.insert(line.split('=').first(), line.split('=').last().toInt());
        if (!id.isEmpty() && v.contains("HEIGHT")
            && !run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::fromUtf8(id),
                                              QStringLiteral("_NET_WM_WINDOW_TYPE")})
                    .out.contains("TOOLTIP"))
            found.append(QRect(v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]));
    }
    return found;
}

// Now in saved form: seconds since 2001-01-01 00:00:00 UTC.
double nowAsInstant() {
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 - 978307200.0;
}

} // namespace

class TestInstalledQuello : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_dnslab;
    QString m_prefix;
    QProcess* m_recorder = nullptr;
    QProcess* m_quello = nullptr;
    QList<QProcess*> m_started;
    QRect m_icon;
    bool m_broken = false;

    // What earlier steps saw and later ones compare with.
    int m_firstNotificationId = 0;
    double m_settledAt = 0;

    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    bool lab(const QString& arguments) {
        const Output output = run(m_dnslab, arguments.split(u' '), 30000);
        if (output.status != 0)
            qWarning("dnslab %s failed: %s", qPrintable(arguments), output.err.constData());
        return output.status == 0;
    }
    bool setAddress(const char* server, const char* address = "192.0.2.7") {
        return lab(QStringLiteral("set-a %1 app.example.test %2")
                       .arg(QLatin1String(server), QLatin1String(address)));
    }
    QByteArray savedList() const {
        return QSettings(path("config/Quello/Quello.ini"), QSettings::IniFormat)
            .value(QStringLiteral("QuelloWatches"))
            .toByteArray();
    }
    // The saved list when it holds exactly the one watch typed here.
    std::optional<Watch> saved() const {
        const auto list = Quello::WatchListCodec::decode(savedList());
        if (!list || list->size() != 1 || list->first().domain != QLatin1String("app.example.test")
            || list->first().expected != QLatin1String("192.0.2.7"))
            return std::nullopt;
        return list->first();
    }

    QList<QJsonObject> notifications() const {
        QFile file(path("notifications.jsonl"));
        QList<QJsonObject> calls;
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray& line : file.readAll().split('\n'))
                if (!line.isEmpty())
                    calls.append(QJsonDocument::fromJson(line).object());
        return calls;
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
            env.insert(QLatin1String(name), path(name));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        auto* process = new QProcess(this);
        process->setProcessEnvironment(env);
        process->setStandardOutputFile(path("quello.log"), QIODevice::Append);
        process->setStandardErrorFile(path("quello.log"), QIODevice::Append);
        // sh -c SCRIPT DIR BINARY: the real dig is mounted aside first, then
        // the recorder over it, and the shell becomes Quello.
        process->start(QStringLiteral("unshare"),
                       {QStringLiteral("--mount"), QStringLiteral("--propagation=private"),
                        QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                        QStringLiteral("mount --bind /usr/bin/dig \"$0/dig.real\" && "
                                       "mount --bind \"$0/dig\" /usr/bin/dig && exec \"$1\""),
                        m_dir.path(), m_prefix + QStringLiteral("/bin/quello")});
        m_started.append(process);
        return process;
    }
    // Starts Quello and waits for its icon in the tray.
    bool startQuello() {
        m_quello = launch();
        m_icon = {};
        (void)QTest::qWaitFor(
            [&] {
                for (const QRect& rect : windows(m_quello))
                    if (rect.width() <= 64 && rect.height() <= 64)
                        m_icon = rect;
                return !m_icon.isNull() || m_quello->state() == QProcess::NotRunning;
            },
            15000);
        return !m_icon.isNull();
    }
    // The panel's window, null when it is closed.
    QRect panel() const {
        for (const QRect& r : windows(m_quello))
            if (r.width() == 380)
                return r;
        return {};
    }
    bool panelOpen() const { return !panel().isNull(); }
    bool clickIcon() {
        return xdo(QStringLiteral("mousemove %1 %2 click 1")
                       .arg(m_icon.center().x())
                       .arg(m_icon.center().y()))
                   .status
               == 0;
    }
    bool openPanel() {
        return panelOpen() || (clickIcon() && QTest::qWaitFor([&] { return panelOpen(); }, 5000));
    }
    // A click somewhere else closes the panel, as it closes any popup; the
    // next click on the icon has to come later than one that closed it.
    bool closePanel() {
        const bool closed = !panelOpen()
                            || (xdo(away + QStringLiteral("click 1")).status == 0
                                && QTest::qWaitFor([&] { return !panelOpen(); }, 5000));
        QTest::qWait(reopenGuardMs);
        return closed;
    }
    bool press(const char* keys) {
        return xdo(QStringLiteral("key --clearmodifiers ") + QLatin1String(keys)).status == 0;
    }
    bool quit() {
        return press("ctrl+q") && m_quello->waitForFinished(5000)
               && m_quello->exitStatus() == QProcess::NormalExit && m_quello->exitCode() == 0;
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
    m_dnslab = qEnvironmentVariable("DNSLAB");
    // Control commands refuse to run outside their lab: Quello must not ask
    // the real resolvers.
    QVERIFY2(lab(QStringLiteral("status")),
             "DNSLAB is set but this is not its lab; Quello is not started here");

    // The build as a user gets it.
    m_prefix = path("prefix");
    const Output install = run(QStringLiteral(CMAKE_PROGRAM),
                               {QStringLiteral("--install"), QStringLiteral(QUELLO_BUILD_DIR),
                                QStringLiteral("--prefix"), m_prefix},
                               120000);
    QVERIFY2(install.status == 0, install.err.constData());
    for (const char* dir : {"HOME", "config", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
        QVERIFY(QDir().mkpath(path(dir)));
    QVERIFY(QFile::setPermissions(path("XDG_RUNTIME_DIR"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // The dig Quello finds at /usr/bin/dig, and where the real one is mounted.
    QFile real(path("dig.real"));
    QVERIFY(real.open(QIODevice::WriteOnly));
    QFile wrapper(path("dig"));
    QVERIFY(wrapper.open(QIODevice::WriteOnly));
    wrapper.write(QStringLiteral("#!/bin/sh\n'%2' \"$@\"\nstatus=$?\n"
                                 "printf '%s %s\\n' \"$status\" \"$*\" >>'%1' "
                                 "2>/dev/null\nexit \"$status\"\n")
                      .arg(path("dig.log"), real.fileName())
                      .toUtf8());
    QVERIFY(wrapper.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                   | QFile::ReadOther | QFile::ExeOther));

    QVERIFY(lab(QStringLiteral("start all")));
    QVERIFY(setAddress("all", "192.0.2.1"));
    m_recorder = new QProcess(this);
    m_recorder->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_recorder->start(QStringLiteral(RECORDER_PATH), {path("notifications.jsonl")});
    QVERIFY(m_recorder->waitForReadyRead(10000));
    QVERIFY(m_recorder->readLine().startsWith("ready"));
    QVERIFY(startQuello());
}

void TestInstalledQuello::cleanupTestCase() {
    for (QProcess* process : std::as_const(m_started)) {
        process->terminate();
        if (!process->waitForFinished(3000))
            process->kill();
    }
    if (m_recorder != nullptr) {
        m_recorder->closeWriteChannel(); // it ends when its input closes
        m_recorder->waitForFinished(3000);
    }
    if (!m_dnslab.isEmpty()) {
        lab(QStringLiteral("start all"));
        lab(QStringLiteral("set-a all app.example.test"));
    }
    if (m_broken) {
        QFile log(path("quello.log"));
        qInfo("Quello said:\n%s", log.open(QIODevice::ReadOnly) ? log.readAll().constData() : "");
        qInfo("dig runs:\n%s\nsaved list: %s", qPrintable(digRuns().join(u'\n')),
              savedList().constData());
    }
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
    const QRect shown = panel();
    QVERIFY(shown.top() > m_icon.bottom() && shown.top() - m_icon.bottom() < 12);
    QVERIFY(shown.left() <= m_icon.center().x() && shown.right() >= m_icon.center().x());
    const qsizetype before = digRuns().size();
    const double typedAt = nowAsInstant();
    QVERIFY(QProcess::execute(QStringLiteral("xdotool"),
                              {QStringLiteral("type"), QStringLiteral("--delay=15"),
                               QStringLiteral("app.example.test A 192.0.2.7")})
            == 0);
    QVERIFY(press("Return"));

    QTRY_VERIFY2_WITH_TIMEOUT(saved() && !saved()->settledAt, savedList().constData(), 5000);
    QVERIFY2(qAbs(saved()->createdAt - typedAt) < 60, savedList().constData());
    // The first check starts by itself.
    QVERIFY2(checked(before), "the new watch was not checked");
    QVERIFY(notifications().isEmpty());
}

void TestInstalledQuello::allChangedSettleWithOneNotification() {
    QVERIFY(setAddress("all"));
    const qsizetype before = digRuns().size();
    QVERIFY(openPanel());
    QVERIFY(press("ctrl+r")); // Check All Now
    QVERIFY(checked(before));

    QTRY_COMPARE_WITH_TIMEOUT(notifications().size(), 1, 5000);
    const QJsonObject n = notifications().constFirst();
    QCOMPARE(n[QStringLiteral("summary")].toString(), settledTitle);
    QCOMPARE(n[QStringLiteral("body")].toString(), settledBody);
    // The icon and the desktop entry it names are the installed ones.
    const QString entry = n[QStringLiteral("hints")][QStringLiteral("desktop-entry")].toString();
    QVERIFY(
        QFileInfo::exists(m_prefix + QStringLiteral("/share/applications/%1.desktop").arg(entry)));
    const QString icon = n[QStringLiteral("app_icon")].toString();
    QVERIFY(QFileInfo::exists(
        m_prefix + QStringLiteral("/share/icons/hicolor/scalable/apps/%1.svg").arg(icon)));
    m_firstNotificationId = n[QStringLiteral("id")].toInt();

    QTRY_VERIFY2_WITH_TIMEOUT(saved() && saved()->settledAt, savedList().constData(), 5000);
    m_settledAt = *saved()->settledAt;
    QVERIFY(m_settledAt >= saved()->createdAt && m_settledAt <= nowAsInstant() + 1);
}

void TestInstalledQuello::notificationOpensThePanel() {
    QVERIFY(closePanel());
    m_recorder->write("action " + QByteArray::number(m_firstNotificationId) + " default\n");
    QTRY_VERIFY_WITH_TIMEOUT(panelOpen(), 5000);
}

void TestInstalledQuello::quitThenRestartChecksTheSavedWatchAtOnce() {
    QVERIFY(quit());
    const qsizetype before = digRuns().size();
    QVERIFY(startQuello());
    QVERIFY2(checked(before), "the saved watch was not checked at launch");
    // Settled before, settled now: no second notification, the settling time
    // stays.
    QTest::qWait(decisionGraceMs);
    QCOMPARE(notifications().size(), 1);
    QCOMPARE(saved()->settledAt, m_settledAt);
}

int main(int argc, char* argv[]) {
    const char* missing = nullptr; // the lab, the test desktop, its bus, the tools
    for (const char* name : {"DNSLAB", "QUELLO_TEST_DESKTOP", "DBUS_SESSION_BUS_ADDRESS"})
        if (!missing && qEnvironmentVariableIsEmpty(name))
            missing = name;
    for (const char* tool : {"xdotool", "xprop", "unshare", "mount"})
        if (!missing && QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            missing = tool;
    if (missing) {
        std::printf("SKIP: needs %s; run it as tests/dnslab/dnslab run -- "
                    "tests/session/desktop-session -- ctest -L desktop\n",
                    missing);
        std::fflush(stdout);
        return 77;
    }
    QCoreApplication app(argc, argv);
    TestInstalledQuello test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_installedquello.moc"

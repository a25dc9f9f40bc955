// The installed Quello on the virtual desktop, driven as a person would: a
// click on its tray icon, typing into its panel, its keys. It runs the real
// dig against the DNS lab's resolvers, whose answers the test changes between
// checks, and posts to a notification server that records every call.
//
// The steps build on each other, in order, on one saved watch list; once one
// fails, the rest are skipped.

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <functional>
#include <optional>

namespace {

const QString domain = QStringLiteral("app.example.test");
const QString newAddress = QStringLiteral("192.0.2.7");
const QString settledTitle = QStringLiteral("app.example.test A propagated");
const QString settledBody = QStringLiteral("All resolvers now return 192.0.2.7");

// Saved instants count seconds from 2001-01-01 00:00:00 UTC.
constexpr double referenceDate = 978307200.0;
// The panel is this wide whatever it holds.
constexpr int panelWidth = 380;
// Time for a check whose last dig has ended to be decided and saved. Used only
// to give something that must NOT happen the chance to happen.
constexpr int decisionGraceMs = 600;
// A click on the tray icon this soon after the panel closed counts as the
// click that closed it.
constexpr qint64 reopenGuardMs = 400;
// Somewhere on the desktop with no window of Quello's or the tray's.
const QStringList awayFromEverything{QStringLiteral("mousemove"), QStringLiteral("640"),
                                     QStringLiteral("700")};

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

Output xdo(const QStringList& arguments) {
    return run(QStringLiteral("xdotool"), arguments);
}

bool xdotool(const QStringList& arguments) {
    return xdo(arguments).status == 0;
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(50);
    }
    return true;
}

std::optional<QRect> windowRect(const QString& id) {
    const Output output = xdo({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id});
    QHash<QString, int> values;
    for (const QString& line : QString::fromUtf8(output.out).split(u'\n', Qt::SkipEmptyParts))
        values.insert(line.section(u'=', 0, 0), line.section(u'=', 1).toInt());
    if (output.status != 0 || !values.contains(QStringLiteral("HEIGHT")))
        return std::nullopt;
    return QRect(values[QStringLiteral("X")], values[QStringLiteral("Y")],
                 values[QStringLiteral("WIDTH")], values[QStringLiteral("HEIGHT")]);
}

QStringList visibleWindows(qint64 pid) {
    return QString::fromUtf8(xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                  QStringLiteral("--pid"), QString::number(pid)})
                                 .out)
        .split(u'\n', Qt::SkipEmptyParts);
}

bool isToolTip(const QString& id) {
    return run(QStringLiteral("xprop"),
               {QStringLiteral("-id"), id, QStringLiteral("_NET_WM_WINDOW_TYPE")})
        .out.contains("_NET_WM_WINDOW_TYPE_TOOLTIP");
}

QImage grab(const QRect& rect) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// What the screen shows in `rect`, once two looks a moment apart agree (a
// window may still be painting or moving).
QImage steadyPicture(const QRect& rect) {
    QImage last = grab(rect);
    for (int attempt = 0; attempt < 30; ++attempt) {
        QTest::qWait(100);
        QImage next = grab(rect);
        if (next == last)
            return next;
        last = std::move(next);
    }
    return last;
}

// The tray icon and its tooltip as the screen shows them.
struct TrayLook {
    QImage icon;
    QImage toolTip;
    bool operator==(const TrayLook&) const = default;
};

// One saved watch, read from the saved list's exact text.
struct SavedWatch {
    double createdAt = 0;
    std::optional<double> settledAt;
};

double nowAsInstant() {
    return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0 - referenceDate;
}

} // namespace

class TestInstalledQuello : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_dnslab;
    QString m_prefix;
    QString m_launchScript;
    QProcess* m_recorder = nullptr;
    QProcess* m_quello = nullptr;
    QList<QProcess*> m_started;
    QString m_iconId;
    QElapsedTimer m_panelClosed;
    bool m_broken = false;

    // What earlier steps saw and later ones compare with.
    TrayLook m_idleLook;
    TrayLook m_busyLook;
    QJsonObject m_firstNotification;
    QJsonObject m_secondNotification;
    double m_settledAt = 0;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    bool lab(const QStringList& arguments) {
        const Output output = run(m_dnslab, arguments, 30000);
        if (output.status != 0)
            qWarning("dnslab %s failed: %s", qPrintable(arguments.join(u' ')),
                     output.err.constData());
        return output.status == 0;
    }
    bool lab(const char* command, const char* server) {
        return lab({QLatin1String(command), QLatin1String(server)});
    }
    bool setNewAddress(const char* server) {
        return lab({QStringLiteral("set-a"), QLatin1String(server), domain, newAddress});
    }

    QByteArray savedList() const {
        return QSettings(path(QStringLiteral("config/Quello/Quello.ini")), QSettings::IniFormat)
            .value(QStringLiteral("QuelloWatches"))
            .toByteArray();
    }

    // The saved list when it holds exactly the one watch typed here, written
    // exactly as Quello writes it: keys in their order, the id in upper case,
    // compact, "settledAt" only while settled.
    std::optional<SavedWatch> savedWatch() const {
        static const QRegularExpression form(QString::fromUtf8(
            R"re(^\[\{"id":"[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}",)re"
            R"re("domain":"app\.example\.test","recordType":"A","expected":"192\.0\.2\.7",)re"
            R"re("createdAt":(-?[0-9]+(?:\.[0-9]+)?)(?:,"settledAt":(-?[0-9]+(?:\.[0-9]+)?))?\}\]$)re"));
        const QRegularExpressionMatch match = form.match(QString::fromUtf8(savedList()));
        if (!match.hasMatch())
            return std::nullopt;
        SavedWatch watch{match.captured(1).toDouble(), std::nullopt};
        if (match.hasCaptured(2))
            watch.settledAt = match.captured(2).toDouble();
        return watch;
    }
    bool savedSettled() const { return savedWatch() && savedWatch()->settledAt; }
    bool savedPending() const { return savedWatch() && !savedWatch()->settledAt; }

    QList<QJsonObject> notifications() const {
        QFile file(path(QStringLiteral("notifications.jsonl")));
        QList<QJsonObject> calls;
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : file.readAll().split('\n'))
                if (!line.isEmpty())
                    calls.append(QJsonDocument::fromJson(line).object());
        }
        return calls;
    }

    // Every dig Quello ran that has ended, as "STATUS ARGUMENTS".
    QStringList digRuns() const {
        QFile file(path(QStringLiteral("dig.log")));
        QStringList runs;
        if (file.open(QIODevice::ReadOnly)) {
            for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n'))
                if (line.startsWith(QLatin1String("end ")))
                    runs.append(line.mid(4));
        }
        return runs;
    }

    // Waits until one more check (four digs) has ended after the first
    // `before` runs, and returns the runs of that check.
    std::optional<QStringList> waitForCheck(qsizetype before) const {
        if (!waitFor([&] { return digRuns().size() >= before + 4; }, 10000))
            return std::nullopt;
        return digRuns().mid(before, 4);
    }

    // Starts the installed Quello in a mount namespace of its own, where
    // /usr/bin/dig records each run before it runs the real dig.
    QProcess* launch() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const std::pair<const char*, const char*> dirs[]{{"HOME", "home"},
                                                         {"XDG_CONFIG_HOME", "config"},
                                                         {"XDG_DATA_HOME", "data"},
                                                         {"XDG_RUNTIME_DIR", "runtime"}};
        for (const auto& [name, dir] : dirs)
            env.insert(QLatin1String(name), path(QLatin1String(dir)));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        auto* process = new QProcess(this);
        process->setProcessEnvironment(env);
        process->setStandardOutputFile(path(QStringLiteral("quello.log")), QIODevice::Append);
        process->setStandardErrorFile(path(QStringLiteral("quello.log")), QIODevice::Append);
        process->start(QStringLiteral("unshare"),
                       {QStringLiteral("--mount"), QStringLiteral("--propagation"),
                        QStringLiteral("private"), QStringLiteral("--"), QStringLiteral("/bin/sh"),
                        QStringLiteral("-c"), m_launchScript, m_dir.path(),
                        m_prefix + QStringLiteral("/bin/quello")});
        m_started.append(process);
        return process;
    }

    QString quelloLog() const {
        QFile file(path(QStringLiteral("quello.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // Starts Quello and waits for its icon in the tray.
    bool startQuello() {
        m_quello = launch();
        m_iconId.clear();
        waitFor(
            [&] {
                if (m_quello->state() == QProcess::NotRunning)
                    return true;
                for (const QString& id : visibleWindows(m_quello->processId())) {
                    const std::optional<QRect> rect = windowRect(id);
                    if (rect && rect->width() <= 64 && rect->height() <= 64 && !isToolTip(id)) {
                        m_iconId = id;
                        return true;
                    }
                }
                return false;
            },
            15000);
        if (m_iconId.isEmpty())
            qWarning("no tray icon; Quello said:\n%s", qPrintable(quelloLog()));
        return !m_iconId.isEmpty();
    }

    std::optional<QRect> panelRect() const {
        if (m_quello == nullptr || m_quello->state() != QProcess::Running)
            return std::nullopt;
        for (const QString& id : visibleWindows(m_quello->processId())) {
            const std::optional<QRect> rect = windowRect(id);
            if (rect && rect->width() == panelWidth)
                return rect;
        }
        return std::nullopt;
    }

    std::optional<QString> toolTipWindow() const {
        for (const QString& id : visibleWindows(m_quello->processId()))
            if (isToolTip(id))
                return id;
        return std::nullopt;
    }

    bool pointAtIcon() {
        const std::optional<QRect> rect = windowRect(m_iconId);
        return rect
               && xdotool({QStringLiteral("mousemove"), QString::number(rect->center().x()),
                           QString::number(rect->center().y())});
    }

    bool openPanel() {
        if (panelRect())
            return true;
        if (m_panelClosed.isValid() && m_panelClosed.elapsed() < reopenGuardMs)
            QTest::qWait(static_cast<int>(reopenGuardMs - m_panelClosed.elapsed()));
        return pointAtIcon() && xdotool({QStringLiteral("click"), QStringLiteral("1")})
               && waitFor([&] { return panelRect().has_value(); }, 5000);
    }

    // A click somewhere else closes the panel, as it closes any popup.
    bool closePanel() {
        if (!panelRect())
            return true;
        if (!xdotool(awayFromEverything
                     + QStringList{QStringLiteral("click"), QStringLiteral("1")}))
            return false;
        const bool closed = waitFor([&] { return !panelRect(); }, 5000);
        m_panelClosed.start();
        return closed;
    }

    bool press(const QString& keys) {
        return xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
    }

    // The icon as the tray shows it, and the tooltip that comes up when the
    // pointer rests on it. The panel is closed for that.
    std::optional<TrayLook> lookAtTray() {
        if (!closePanel() || !xdotool(awayFromEverything)
            || !waitFor([&] { return !toolTipWindow(); }, 12000))
            return std::nullopt;
        const std::optional<QRect> icon = windowRect(m_iconId);
        if (!icon || !pointAtIcon())
            return std::nullopt;
        TrayLook look{steadyPicture(*icon), {}};
        QTest::qWait(100);
        // A small move inside the icon: tooltips follow pointer motion.
        xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("1"), QStringLiteral("0")});
        std::optional<QString> tip;
        if (!waitFor([&] { return (tip = toolTipWindow()).has_value(); }, 5000)) {
            qWarning("no tooltip over the tray icon");
            return std::nullopt;
        }
        const std::optional<QRect> tipRect = windowRect(*tip);
        if (!tipRect)
            return std::nullopt;
        look.toolTip = steadyPicture(*tipRect);
        xdotool(awayFromEverything);
        return look;
    }

    // Presses Ctrl+R ("Check All Now") and returns the runs of the check it starts.
    std::optional<QStringList> checkAllNow() {
        const qsizetype before = digRuns().size();
        if (!press(QStringLiteral("ctrl+r")))
            return std::nullopt;
        return waitForCheck(before);
    }

    bool quit() {
        return press(QStringLiteral("ctrl+q")) && m_quello->waitForFinished(5000)
               && m_quello->exitStatus() == QProcess::NormalExit && m_quello->exitCode() == 0;
    }

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void trayIsIdleWithoutWatches();
    void typedWatchIsAddedAndSaved();
    void halfChangedResolversKeepItPending();
    void allChangedSettleWithOneNotification();
    void unreachableResolverFallsBackSilently();
    void restoredResolverSettlesAgainInPlaceOfTheFirst();
    void notificationOpensThePanel();
    void quitEndsTheProcess();
    void restartChecksTheSavedWatchAtOnce();
    void secondLaunchOpensTheFirstsPanel();
};

void TestInstalledQuello::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_dnslab = qEnvironmentVariable("DNSLAB");
    // Control commands refuse to run outside their lab: Quello must not ask
    // the real resolvers.
    QVERIFY2(lab({QStringLiteral("status")}),
             "DNSLAB is set but this is not its lab; Quello is not started here");

    // The build as a user gets it.
    m_prefix = path(QStringLiteral("prefix"));
    const Output install = run(QStringLiteral(CMAKE_PROGRAM),
                               {QStringLiteral("--install"), QStringLiteral(QUELLO_BUILD_DIR),
                                QStringLiteral("--prefix"), m_prefix},
                               120000);
    QVERIFY2(install.status == 0, install.err.constData());
    for (const char* dir : {"home", "config", "data", "runtime"})
        QVERIFY(QDir().mkpath(path(QLatin1String(dir))));
    QVERIFY(QFile::setPermissions(path(QStringLiteral("runtime")),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    // The dig that Quello finds at /usr/bin/dig in its own mount namespace.
    QFile real(path(QStringLiteral("dig.real"))); // where the real one is mounted
    QVERIFY(real.open(QIODevice::WriteOnly));
    real.close();
    QFile wrapper(path(QStringLiteral("dig")));
    QVERIFY(wrapper.open(QIODevice::WriteOnly));
    wrapper.write(QStringLiteral("#!/bin/sh\n'%2' \"$@\"\nstatus=$?\n"
                                 "printf 'end %s %s\\n' \"$status\" \"$*\" >>'%1' 2>/dev/null\n"
                                 "exit \"$status\"\n")
                      .arg(path(QStringLiteral("dig.log")), path(QStringLiteral("dig.real")))
                      .toUtf8());
    wrapper.close();
    QVERIFY(wrapper.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                   | QFile::ReadOther | QFile::ExeOther));
    // Run as: sh -c SCRIPT DIR BINARY; the real dig is mounted aside first,
    // then the recorder over it, and the shell becomes Quello.
    m_launchScript = QStringLiteral("mount --bind /usr/bin/dig \"$0/dig.real\" && "
                                    "mount --bind \"$0/dig\" /usr/bin/dig && exec \"$1\"");

    QVERIFY(lab("start", "all"));
    QVERIFY(
        lab({QStringLiteral("set-a"), QStringLiteral("all"), domain, QStringLiteral("192.0.2.1")}));

    m_recorder = new QProcess(this);
    m_recorder->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_recorder->start(QStringLiteral(RECORDER_PATH), {path(QStringLiteral("notifications.jsonl"))});
    QVERIFY(m_recorder->waitForReadyRead(10000));
    QVERIFY(m_recorder->readLine().startsWith("ready"));

    QVERIFY(startQuello());
}

void TestInstalledQuello::init() {
    if (m_broken)
        QSKIP("an earlier step failed, and this one builds on it");
}

void TestInstalledQuello::cleanup() {
    if (QTest::currentTestFailed())
        m_broken = true;
}

void TestInstalledQuello::cleanupTestCase() {
    for (QProcess* process : std::as_const(m_started)) {
        process->terminate();
        if (!process->waitForFinished(3000))
            process->kill();
    }
    if (m_recorder != nullptr) {
        // It ends when its input closes.
        m_recorder->closeWriteChannel();
        m_recorder->waitForFinished(3000);
    }
    if (!m_dnslab.isEmpty()) {
        lab("start", "all");
        lab({QStringLiteral("set-a"), QStringLiteral("all"), domain});
    }
    if (m_broken) {
        qInfo("Quello said:\n%s", qPrintable(quelloLog()));
        qInfo("dig runs:\n%s", qPrintable(digRuns().join(u'\n')));
        qInfo("saved list: %s", savedList().constData());
    }
}

void TestInstalledQuello::trayIsIdleWithoutWatches() {
    QVERIFY(savedList().isEmpty());
    const std::optional<TrayLook> look = lookAtTray();
    QVERIFY(look);
    m_idleLook = *look;
}

void TestInstalledQuello::typedWatchIsAddedAndSaved() {
    QVERIFY(openPanel());
    const qsizetype before = digRuns().size();
    const double typedAt = nowAsInstant();
    QVERIFY(xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"),
                     QStringLiteral("app.example.test A 192.0.2.7")}));
    QVERIFY(press(QStringLiteral("Return")));

    QTRY_VERIFY2_WITH_TIMEOUT(savedWatch().has_value(), savedList().constData(), 5000);
    QVERIFY(!savedWatch()->settledAt);
    QVERIFY2(qAbs(savedWatch()->createdAt - typedAt) < 60, savedList().constData());
    // The first check starts by itself.
    QVERIFY2(waitForCheck(before), "the new watch was not checked");
    QVERIFY(notifications().isEmpty());

    // The tray says a watch is propagating: "Quello (watching DNS)", not "Quello".
    const std::optional<TrayLook> look = lookAtTray();
    QVERIFY(look);
    m_busyLook = *look;
    QVERIFY(m_busyLook.icon != m_idleLook.icon);
    QVERIFY(m_busyLook.toolTip.width() > 2 * m_idleLook.toolTip.width());
}

void TestInstalledQuello::halfChangedResolversKeepItPending() {
    QVERIFY(setNewAddress("system"));
    QVERIFY(setNewAddress("cloudflare"));
    QVERIFY(openPanel());
    const std::optional<QStringList> runs = checkAllNow();
    QVERIFY2(runs, "Ctrl+R started no check");
    for (const QString& runLine : *runs)
        QVERIFY2(runLine.startsWith(QLatin1String("0 ")), qPrintable(runLine));

    QTest::qWait(decisionGraceMs);
    QVERIFY(notifications().isEmpty());
    QVERIFY2(savedPending(), savedList().constData());
}

void TestInstalledQuello::allChangedSettleWithOneNotification() {
    QVERIFY(setNewAddress("google"));
    QVERIFY(setNewAddress("quad9"));
    QVERIFY(checkAllNow());

    QTRY_COMPARE_WITH_TIMEOUT(notifications().size(), 1, 5000);
    const QJsonObject notification = notifications().constFirst();
    QCOMPARE(notification[QStringLiteral("summary")].toString(), settledTitle);
    QCOMPARE(notification[QStringLiteral("body")].toString(), settledBody);
    QCOMPARE(notification[QStringLiteral("app_name")].toString(), QStringLiteral("Quello"));
    QCOMPARE(notification[QStringLiteral("replaces_id")].toInt(), 0);
    QVERIFY(notification[QStringLiteral("actions")].toArray().contains(QStringLiteral("default")));
    // The icon and the desktop entry it names are the installed ones.
    const QString entry =
        notification[QStringLiteral("hints")][QStringLiteral("desktop-entry")].toString();
    QVERIFY2(QFileInfo::exists(m_prefix + QStringLiteral("/share/applications/") + entry
                               + QStringLiteral(".desktop")),
             qPrintable(entry));
    const QString icon = notification[QStringLiteral("app_icon")].toString();
    QVERIFY2(QFileInfo::exists(m_prefix + QStringLiteral("/share/icons/hicolor/scalable/apps/")
                               + icon + QStringLiteral(".svg")),
             qPrintable(icon));
    m_firstNotification = notification;

    QTRY_VERIFY2_WITH_TIMEOUT(savedSettled(), savedList().constData(), 5000);
    const SavedWatch saved = *savedWatch();
    QVERIFY(*saved.settledAt >= saved.createdAt && *saved.settledAt <= nowAsInstant() + 1);
    m_settledAt = *saved.settledAt;

    // Still settled at the next check: nothing more is posted or saved.
    QVERIFY(checkAllNow());
    QTest::qWait(decisionGraceMs);
    QCOMPARE(notifications().size(), 1);
    QCOMPARE(savedWatch()->settledAt, m_settledAt);

    // Nothing is pending: the tray looks as it did with no watches, tooltip
    // "Quello" included.
    QVERIFY(lookAtTray() == m_idleLook);
}

void TestInstalledQuello::unreachableResolverFallsBackSilently() {
    QVERIFY(lab("stop", "google"));
    QVERIFY(openPanel());
    const std::optional<QStringList> runs = checkAllNow();
    QVERIFY(runs);
    QVERIFY2(std::any_of(runs->cbegin(), runs->cend(),
                         [](const QString& r) {
                             return r.contains(QLatin1String("@8.8.8.8"))
                                    && !r.startsWith(QLatin1String("0 "));
                         }),
             qPrintable(runs->join(u'\n')));

    QTRY_VERIFY2_WITH_TIMEOUT(savedPending(), savedList().constData(), 5000);
    QTest::qWait(decisionGraceMs);
    QCOMPARE(notifications().size(), 1);
    QVERIFY(lookAtTray() == m_busyLook);
}

void TestInstalledQuello::restoredResolverSettlesAgainInPlaceOfTheFirst() {
    QVERIFY(lab("start", "google"));
    QVERIFY(openPanel());
    QVERIFY(checkAllNow());

    QTRY_COMPARE_WITH_TIMEOUT(notifications().size(), 2, 5000);
    m_secondNotification = notifications().at(1);
    QCOMPARE(m_secondNotification[QStringLiteral("summary")].toString(), settledTitle);
    QCOMPARE(m_secondNotification[QStringLiteral("body")].toString(), settledBody);
    QCOMPARE(m_secondNotification[QStringLiteral("replaces_id")].toInt(),
             m_firstNotification[QStringLiteral("id")].toInt());

    QTRY_VERIFY2_WITH_TIMEOUT(savedSettled(), savedList().constData(), 5000);
    QVERIFY(*savedWatch()->settledAt > m_settledAt);
    m_settledAt = *savedWatch()->settledAt;
}

void TestInstalledQuello::notificationOpensThePanel() {
    QVERIFY(closePanel());
    m_recorder->write(QStringLiteral("action %1 default\n")
                          .arg(m_secondNotification[QStringLiteral("id")].toInt())
                          .toUtf8());
    QTRY_VERIFY_WITH_TIMEOUT(panelRect().has_value(), 5000);
}

void TestInstalledQuello::quitEndsTheProcess() {
    QVERIFY(panelRect());
    QVERIFY(quit());
    QCOMPARE(savedWatch()->settledAt, m_settledAt);
}

void TestInstalledQuello::restartChecksTheSavedWatchAtOnce() {
    const qsizetype before = digRuns().size();
    QVERIFY(startQuello());
    QVERIFY2(waitForCheck(before), "the saved watch was not checked at launch");

    // Settled before, settled now: no second notification, the settling time stays.
    QTest::qWait(decisionGraceMs);
    QCOMPARE(notifications().size(), 2);
    QCOMPARE(savedWatch()->settledAt, m_settledAt);
    QVERIFY(lookAtTray() == m_idleLook);
}

void TestInstalledQuello::secondLaunchOpensTheFirstsPanel() {
    QVERIFY(!panelRect());
    QProcess* second = launch();
    QVERIFY(second->waitForFinished(10000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(m_quello->state(), QProcess::Running);
    QTRY_VERIFY_WITH_TIMEOUT(panelRect().has_value(), 5000);
    QVERIFY(quit());
}

int main(int argc, char* argv[]) {
    const char* missing = qEnvironmentVariableIsEmpty("DNSLAB") ? "the DNS lab (DNSLAB)"
                          : qEnvironmentVariableIsEmpty("QUELLO_TEST_DESKTOP")
                              ? "the test desktop (QUELLO_TEST_DESKTOP)"
                          : qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
                              ? "a session bus (DBUS_SESSION_BUS_ADDRESS)"
                              : nullptr;
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
    // The test looks at the screen itself.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    TestInstalledQuello test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_installedquello.moc"

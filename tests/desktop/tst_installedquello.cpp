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

constexpr int skipExitCode = 77;

const QString domain = QStringLiteral("app.example.test");
const QString otherDomain = QStringLiteral("www.example.test");
const QString oldAddress = QStringLiteral("192.0.2.1");
const QString newAddress = QStringLiteral("192.0.2.7");
const QString typedLine = QStringLiteral("app.example.test A 192.0.2.7");
const QString settledTitle = QStringLiteral("app.example.test A propagated");
const QString settledBody = QStringLiteral("All resolvers now return 192.0.2.7");

// Saved instants count seconds from 2001-01-01 00:00:00 UTC.
constexpr double referenceDate = 978307200.0;

// The panel is this wide whatever it holds.
constexpr int panelWidth = 380;

// Time for a check whose last dig has ended to be decided and saved. Used only
// to give something that must NOT happen the chance to happen.
constexpr int decisionGraceMs = 600;

// A click on the tray icon within this time of the panel closing counts as the
// click that closed it.
constexpr qint64 reopenGuardMs = 400;

// Somewhere on the desktop with no window of Quello's or the tray's.
const QStringList awayFromEverything{QStringLiteral("640"), QStringLiteral("700")};

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

bool xdotool(const QStringList& arguments) {
    return run(QStringLiteral("xdotool"), arguments).status == 0;
}

// Polls `done` while the event loop runs.
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
    const Output output = run(QStringLiteral("xdotool"),
                              {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id});
    if (output.status != 0)
        return std::nullopt;
    QHash<QString, int> values;
    for (const QString& line : QString::fromUtf8(output.out).split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1).toInt());
    }
    for (const char* key : {"X", "Y", "WIDTH", "HEIGHT"}) {
        if (!values.contains(QLatin1String(key)))
            return std::nullopt;
    }
    return QRect(values[QStringLiteral("X")], values[QStringLiteral("Y")],
                 values[QStringLiteral("WIDTH")], values[QStringLiteral("HEIGHT")]);
}

QStringList visibleWindows(qint64 pid) {
    const Output output =
        run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--pid"), QString::number(pid)});
    return QString::fromUtf8(output.out).split(u'\n', Qt::SkipEmptyParts);
}

bool isToolTip(const QString& id) {
    return run(QStringLiteral("xprop"),
               {QStringLiteral("-id"), id, QStringLiteral("_NET_WM_WINDOW_TYPE")})
        .out.contains("_NET_WM_WINDOW_TYPE_TOOLTIP");
}

QImage grab(const QRect& rect) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {};
    return screen->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The leftmost and rightmost column in which two pictures of one size differ;
// {size, -1} when they are equal.
std::pair<int, int> differingColumns(const QImage& a, const QImage& b) {
    int left = a.width();
    int right = -1;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                left = qMin(left, x);
                right = qMax(right, x);
            }
        }
    }
    return {left, right};
}

// Equal, or different only in one column a few pixels wide: a text caret
// blinks there.
bool sameButForACaret(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return false;
    const auto [left, right] = differingColumns(a, b);
    return right - left < 4;
}

// What the screen shows in `rect`, once two looks a moment apart agree (a
// window may still be painting or moving).
QImage steadyPicture(const QRect& rect) {
    QImage last = grab(rect);
    for (int attempt = 0; attempt < 30; ++attempt) {
        QTest::qWait(100);
        QImage next = grab(rect);
        if (sameButForACaret(next, last))
            return next;
        last = std::move(next);
    }
    return last;
}

QPoint centre(const QRect& rect) {
    return {rect.x() + rect.width() / 2, rect.y() + rect.height() / 2};
}

// The tray icon and its tooltip as the screen shows them.
struct TrayLook {
    QImage icon;
    QImage toolTip;
};

// One saved watch, read from the saved list's exact text.
struct SavedWatch {
    QString id;
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
    QString m_quelloBinary;
    QString m_settingsPath;
    QString m_digLog;
    QString m_notificationLog;
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

    // ---- the lab -------------------------------------------------------------

    bool lab(const QStringList& arguments) {
        const Output output = run(m_dnslab, arguments, 30000);
        if (output.status != 0) {
            qWarning("dnslab %s failed: %s", qPrintable(arguments.join(u' ')),
                     output.err.constData());
        }
        return output.status == 0;
    }

    // ---- Quello's own traces -------------------------------------------------

    QByteArray savedList() const {
        const QSettings settings(m_settingsPath, QSettings::IniFormat);
        return settings.value(QStringLiteral("QuelloWatches")).toByteArray();
    }

    // The saved list when it holds exactly the one watch typed here, written
    // exactly as Quello writes it: keys in their order, the id in upper case,
    // compact, "settledAt" only while settled.
    std::optional<SavedWatch> savedWatch() const {
        static const QRegularExpression form(QString::fromUtf8(
            R"re(^\[\{"id":"([0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12})",)re"
            R"re("domain":"app\.example\.test","recordType":"A","expected":"192\.0\.2\.7",)re"
            R"re("createdAt":(-?[0-9]+(?:\.[0-9]+)?)(?:,"settledAt":(-?[0-9]+(?:\.[0-9]+)?))?\}\]$)re"));
        const QRegularExpressionMatch match = form.match(QString::fromUtf8(savedList()));
        if (!match.hasMatch())
            return std::nullopt;
        SavedWatch watch{match.captured(1), match.captured(2).toDouble(), std::nullopt};
        if (match.hasCaptured(3))
            watch.settledAt = match.captured(3).toDouble();
        return watch;
    }

    bool savedSettled() const {
        const std::optional<SavedWatch> watch = savedWatch();
        return watch && watch->settledAt;
    }

    bool savedPending() const {
        const std::optional<SavedWatch> watch = savedWatch();
        return watch && !watch->settledAt;
    }

    QList<QJsonObject> notifications() const {
        QFile file(m_notificationLog);
        QList<QJsonObject> calls;
        if (!file.open(QIODevice::ReadOnly))
            return calls;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (!line.isEmpty())
                calls.append(QJsonDocument::fromJson(line).object());
        }
        return calls;
    }

    // Every dig Quello ran for `name` that has ended, as "STATUS ARGUMENTS".
    QStringList digRuns(const QString& name = domain) const {
        QFile file(m_digLog);
        QStringList runs;
        if (!file.open(QIODevice::ReadOnly))
            return runs;
        const QString needle = u' ' + name + u' ';
        for (const QString& line :
             QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
            if (line.startsWith(QLatin1String("end ")) && line.contains(needle))
                runs.append(line.mid(4));
        }
        return runs;
    }

    // Waits until one more check (four digs) has ended after the first
    // `before` runs, and returns the runs of that check.
    std::optional<QStringList> waitForCheck(qsizetype before, const QString& name = domain) const {
        if (!waitFor([&] { return digRuns(name).size() >= before + 4; }, 10000))
            return std::nullopt;
        return digRuns(name).mid(before, 4);
    }

    // ---- Quello on the desktop -----------------------------------------------

    QProcessEnvironment quelloEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return env;
    }

    // Starts the installed Quello in a mount namespace of its own, where
    // /usr/bin/dig records each run before it runs the real dig.
    QProcess* launch() {
        auto* process = new QProcess(this);
        process->setProcessEnvironment(quelloEnvironment());
        process->setStandardOutputFile(path(QStringLiteral("quello.log")), QIODevice::Append);
        process->setStandardErrorFile(path(QStringLiteral("quello.log")), QIODevice::Append);
        process->start(QStringLiteral("unshare"),
                       {QStringLiteral("--mount"), QStringLiteral("--propagation"),
                        QStringLiteral("private"), QStringLiteral("--"), QStringLiteral("/bin/sh"),
                        QStringLiteral("-c"), m_launchScript, m_dir.path(), m_quelloBinary});
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
        const bool shown = waitFor(
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
        if (!shown || m_iconId.isEmpty())
            qWarning("no tray icon; Quello said:\n%s", qPrintable(quelloLog()));
        return shown && !m_iconId.isEmpty();
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
        for (const QString& id : visibleWindows(m_quello->processId())) {
            if (isToolTip(id))
                return id;
        }
        return std::nullopt;
    }

    std::optional<QRect> iconRect() const { return windowRect(m_iconId); }

    bool clickIcon() {
        const std::optional<QRect> rect = iconRect();
        if (!rect)
            return false;
        const QPoint point = centre(*rect);
        return xdotool({QStringLiteral("mousemove"), QString::number(point.x()),
                        QString::number(point.y()), QStringLiteral("click"), QStringLiteral("1")});
    }

    bool openPanel() {
        if (panelRect())
            return true;
        if (m_panelClosed.isValid() && m_panelClosed.elapsed() < reopenGuardMs)
            QTest::qWait(static_cast<int>(reopenGuardMs - m_panelClosed.elapsed()));
        return clickIcon() && waitFor([&] { return panelRect().has_value(); }, 5000);
    }

    // A click somewhere else closes the panel, as it closes any popup.
    bool closePanel() {
        if (!panelRect())
            return true;
        if (!xdotool(QStringList{QStringLiteral("mousemove")} + awayFromEverything
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
        if (!closePanel())
            return std::nullopt;
        xdotool(QStringList{QStringLiteral("mousemove")} + awayFromEverything);
        if (!waitFor([&] { return !toolTipWindow(); }, 12000)) {
            qWarning("an earlier tooltip does not go away");
            return std::nullopt;
        }
        const std::optional<QRect> icon = iconRect();
        if (!icon)
            return std::nullopt;
        TrayLook look;
        look.icon = steadyPicture(*icon);
        const QPoint point = centre(*icon);
        xdotool(
            {QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y())});
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
        xdotool(QStringList{QStringLiteral("mousemove")} + awayFromEverything);
        return look;
    }

    // Keeps a picture of the panel, for people to look at.
    void photographPanel(const QString& name) {
        const std::optional<QRect> rect = panelRect();
        if (!rect)
            return;
        steadyPicture(*rect).save(QStringLiteral(SCREENSHOT_DIR "/") + name
                                  + QStringLiteral(".png"));
    }

    static void savePicture(const QImage& image, const QString& name) {
        image.save(QStringLiteral(SCREENSHOT_DIR "/") + name + QStringLiteral(".png"));
    }

    void stopProcess(QProcess* process) {
        if (process->state() == QProcess::NotRunning)
            return;
        process->terminate();
        if (!process->waitForFinished(3000)) {
            process->kill();
            process->waitForFinished(3000);
        }
    }

    // Presses Ctrl+R ("Check All Now") and waits for the check it starts;
    // returns that check's dig runs.
    std::optional<QStringList> checkAllNow() {
        const qsizetype before = digRuns().size();
        if (!press(QStringLiteral("ctrl+r")))
            return std::nullopt;
        return waitForCheck(before);
    }

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void trayIsIdleWithoutWatches();
    void trayIconTogglesThePanel();
    void typedWatchIsAddedAndSaved();
    void halfChangedResolversKeepItPending();
    void allChangedSettleWithOneNotification();
    void unreachableResolverFallsBackSilently();
    void restoredResolverSettlesAgainInPlaceOfTheFirst();
    void notificationOpensThePanel();
    void quitEndsTheProcess();
    void restartChecksTheSavedWatchAtOnce();
    void restartWithAResolverDownFallsBack();
    void secondLaunchOpensTheFirstsPanel();
    void settlesAgainAfterTheRestart();
    void secondWatchShowsItsResolvers();
};

void TestInstalledQuello::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_dnslab = qEnvironmentVariable("DNSLAB");
    // Control commands refuse to run outside their lab: Quello must not ask
    // the real resolvers.
    QVERIFY2(lab({QStringLiteral("status")}),
             "DNSLAB is set but this is not its lab; Quello is not started here");

    QDir shots(QStringLiteral(SCREENSHOT_DIR));
    shots.removeRecursively();
    QVERIFY(shots.mkpath(QStringLiteral(".")));

    // The build as a user gets it.
    const QString prefix = m_prefix = path(QStringLiteral("prefix"));
    const Output install = run(QStringLiteral(CMAKE_PROGRAM),
                               {QStringLiteral("--install"), QStringLiteral(QUELLO_BUILD_DIR),
                                QStringLiteral("--prefix"), prefix},
                               120000);
    QVERIFY2(install.status == 0, install.err.constData());
    m_quelloBinary = prefix + QStringLiteral("/bin/quello");
    QVERIFY(QFileInfo(m_quelloBinary).isExecutable());
    for (const char* file :
         {"share/applications/quello.desktop", "share/metainfo/app.quello.Quello.metainfo.xml",
          "share/icons/hicolor/scalable/apps/quello.svg"})
        QVERIFY2(QFileInfo::exists(prefix + u'/' + QLatin1String(file)), file);

    for (const char* dir : {"home", "config", "data", "runtime"})
        QVERIFY(QDir().mkpath(path(QLatin1String(dir))));
    QVERIFY(QFile::setPermissions(path(QStringLiteral("runtime")),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    m_settingsPath = path(QStringLiteral("config/Quello/Quello.ini"));

    // The dig that Quello finds at /usr/bin/dig in its own mount namespace.
    m_digLog = path(QStringLiteral("dig.log"));
    QFile real(path(QStringLiteral("dig.real"))); // where the real one is mounted
    QVERIFY(real.open(QIODevice::WriteOnly));
    real.close();
    QFile wrapper(path(QStringLiteral("dig")));
    QVERIFY(wrapper.open(QIODevice::WriteOnly));
    wrapper.write(QStringLiteral("#!/bin/sh\n"
                                 "printf 'start %s\\n' \"$*\" >>'%1' 2>/dev/null\n"
                                 "'%2' \"$@\"\n"
                                 "status=$?\n"
                                 "printf 'end %s %s\\n' \"$status\" \"$*\" >>'%1' 2>/dev/null\n"
                                 "exit \"$status\"\n")
                      .arg(m_digLog, path(QStringLiteral("dig.real")))
                      .toUtf8());
    wrapper.close();
    QVERIFY(wrapper.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                   | QFile::ReadOther | QFile::ExeOther));
    // Run as: sh -c SCRIPT DIR BINARY; the real dig is mounted aside first,
    // then the recorder over it, and the shell becomes Quello.
    m_launchScript = QStringLiteral("mount --bind /usr/bin/dig \"$0/dig.real\" && "
                                    "mount --bind \"$0/dig\" /usr/bin/dig && exec \"$1\"");

    QVERIFY(lab({QStringLiteral("start"), QStringLiteral("all")}));
    QVERIFY(lab({QStringLiteral("set-a"), QStringLiteral("all"), domain, oldAddress}));

    m_notificationLog = path(QStringLiteral("notifications.jsonl"));
    m_recorder = new QProcess(this);
    m_recorder->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_recorder->start(QStringLiteral(RECORDER_PATH), {m_notificationLog});
    QVERIFY(m_recorder->waitForReadyRead(10000));
    QVERIFY(m_recorder->readLine().startsWith("ready "));

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
    for (QProcess* process : std::as_const(m_started))
        stopProcess(process);
    if (m_recorder != nullptr) {
        // It ends when its input closes.
        m_recorder->closeWriteChannel();
        if (!m_recorder->waitForFinished(3000))
            stopProcess(m_recorder);
    }
    if (!m_dnslab.isEmpty()) {
        lab({QStringLiteral("start"), QStringLiteral("all")});
        lab({QStringLiteral("set-a"), QStringLiteral("all"), domain});
        lab({QStringLiteral("set-a"), QStringLiteral("all"), otherDomain});
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
    savePicture(look->icon, QStringLiteral("tray-icon-idle"));
    savePicture(look->toolTip, QStringLiteral("tooltip-idle"));
}

void TestInstalledQuello::trayIconTogglesThePanel() {
    QVERIFY(!panelRect());
    QVERIFY(clickIcon());
    QTRY_VERIFY_WITH_TIMEOUT(panelRect().has_value(), 5000);

    // The next click on the icon closes it, and it stays closed.
    QVERIFY(clickIcon());
    QTRY_VERIFY_WITH_TIMEOUT(!panelRect(), 5000);
    m_panelClosed.start();
    QTest::qWait(500);
    QVERIFY(!panelRect());

    // So does Escape.
    QVERIFY(openPanel());
    QVERIFY(press(QStringLiteral("Escape")));
    QTRY_VERIFY_WITH_TIMEOUT(!panelRect(), 5000);
    m_panelClosed.start();
}

void TestInstalledQuello::typedWatchIsAddedAndSaved() {
    QVERIFY(openPanel());
    const QImage emptyPanel = steadyPicture(*panelRect());
    savePicture(emptyPanel, QStringLiteral("1-empty"));
    const qsizetype before = digRuns().size();
    const double typedAt = nowAsInstant();

    QVERIFY(xdotool(
        {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"), typedLine}));
    QVERIFY(press(QStringLiteral("Return")));

    QTRY_VERIFY2_WITH_TIMEOUT(savedWatch().has_value(), savedList().constData(), 5000);
    const SavedWatch saved = *savedWatch();
    QVERIFY(!saved.settledAt);
    QVERIFY2(qAbs(saved.createdAt - typedAt) < 60, qPrintable(QString::number(saved.createdAt)));

    // The first check starts by itself: each resolver once, the machine's own
    // without a server.
    const std::optional<QStringList> runs = waitForCheck(before);
    QVERIFY2(runs, "the new watch was not checked");
    QStringList sorted = *runs;
    sorted.sort();
    const QStringList expectedRuns{
        QStringLiteral("0 +short +time=3 +tries=1 @1.1.1.1 app.example.test A"),
        QStringLiteral("0 +short +time=3 +tries=1 @8.8.8.8 app.example.test A"),
        QStringLiteral("0 +short +time=3 +tries=1 @9.9.9.9 app.example.test A"),
        QStringLiteral("0 +short +time=3 +tries=1 app.example.test A"),
    };
    QCOMPARE(sorted, expectedRuns);

    // The row is there and the field is empty again: the input bar at the
    // bottom looks as it did on the empty panel, but for the blinking caret.
    QVERIFY(waitFor([&] { return steadyPicture(*panelRect()) != emptyPanel; }, 5000));
    const QImage withRow = steadyPicture(*panelRect());
    savePicture(withRow, QStringLiteral("2-added"));
    const int barHeight = 48;
    const QImage barBefore =
        emptyPanel.copy(0, emptyPanel.height() - barHeight, panelWidth, barHeight);
    const QImage barAfter = withRow.copy(0, withRow.height() - barHeight, panelWidth, barHeight);
    QVERIFY2(sameButForACaret(barBefore, barAfter), "the field still shows text after Return");
    QVERIFY(notifications().isEmpty());

    // The tray says a watch is propagating.
    const std::optional<TrayLook> look = lookAtTray();
    QVERIFY(look);
    m_busyLook = *look;
    savePicture(look->icon, QStringLiteral("tray-icon-pending"));
    savePicture(look->toolTip, QStringLiteral("tooltip-pending"));
    QVERIFY(m_busyLook.icon != m_idleLook.icon);
    // "Quello (watching DNS)" against "Quello".
    QVERIFY2(m_busyLook.toolTip.width() > 2 * m_idleLook.toolTip.width(),
             qPrintable(QStringLiteral("tooltip widths %1 and %2")
                            .arg(m_busyLook.toolTip.width())
                            .arg(m_idleLook.toolTip.width())));
}

void TestInstalledQuello::halfChangedResolversKeepItPending() {
    QVERIFY(lab({QStringLiteral("set-a"), QStringLiteral("system"), domain, newAddress}));
    QVERIFY(lab({QStringLiteral("set-a"), QStringLiteral("cloudflare"), domain, newAddress}));
    QVERIFY(openPanel());

    const std::optional<QStringList> runs = checkAllNow();
    QVERIFY2(runs, "Ctrl+R started no check");
    for (const QString& runLine : *runs)
        QVERIFY2(runLine.startsWith(QLatin1String("0 ")), qPrintable(runLine));

    QTest::qWait(decisionGraceMs);
    QVERIFY(notifications().isEmpty());
    QVERIFY2(savedPending(), savedList().constData());
    photographPanel(QStringLiteral("3-half-changed"));
}

void TestInstalledQuello::allChangedSettleWithOneNotification() {
    QVERIFY(lab({QStringLiteral("set-a"), QStringLiteral("google"), domain, newAddress}));
    QVERIFY(lab({QStringLiteral("set-a"), QStringLiteral("quad9"), domain, newAddress}));
    QVERIFY(panelRect());
    QVERIFY(checkAllNow());

    QTRY_COMPARE_WITH_TIMEOUT(notifications().size(), 1, 5000);
    const QJsonObject notification = notifications().constFirst();
    QCOMPARE(notification[QStringLiteral("summary")].toString(), settledTitle);
    QCOMPARE(notification[QStringLiteral("body")].toString(), settledBody);
    QCOMPARE(notification[QStringLiteral("app_name")].toString(), QStringLiteral("Quello"));
    QCOMPARE(notification[QStringLiteral("replaces_id")].toInt(), 0);
    // Actions come in pairs of key and label; "default" is the click on the
    // notification itself.
    const QJsonArray actions = notification[QStringLiteral("actions")].toArray();
    QVERIFY(actions.size() % 2 == 0);
    QVERIFY(actions.contains(QStringLiteral("default")));
    QCOMPARE(actions.toVariantList().indexOf(QStringLiteral("default")) % 2, 0);
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
    QVERIFY(*saved.settledAt >= saved.createdAt);
    QVERIFY(*saved.settledAt <= nowAsInstant() + 1);
    m_settledAt = *saved.settledAt;
    photographPanel(QStringLiteral("4-settled"));

    // Still settled at the next check: nothing more is posted or saved.
    QVERIFY(checkAllNow());
    QTest::qWait(decisionGraceMs);
    QCOMPARE(notifications().size(), 1);
    QCOMPARE(savedWatch()->settledAt, m_settledAt);

    // Nothing is pending: the tray looks as it did with no watches, tooltip
    // "Quello" included.
    const std::optional<TrayLook> look = lookAtTray();
    QVERIFY(look);
    savePicture(look->toolTip, QStringLiteral("tooltip-settled"));
    QVERIFY(look->icon == m_idleLook.icon);
    QVERIFY(look->toolTip == m_idleLook.toolTip);
}

void TestInstalledQuello::unreachableResolverFallsBackSilently() {
    QVERIFY(lab({QStringLiteral("stop"), QStringLiteral("google")}));
    QVERIFY(openPanel());
    const std::optional<QStringList> runs = checkAllNow();
    QVERIFY(runs);
    const bool googleFailed = std::any_of(runs->cbegin(), runs->cend(), [](const QString& r) {
        return r.contains(QLatin1String("@8.8.8.8")) && !r.startsWith(QLatin1String("0 "));
    });
    QVERIFY2(googleFailed, qPrintable(runs->join(u'\n')));

    QTRY_VERIFY2_WITH_TIMEOUT(savedPending(), savedList().constData(), 5000);
    QTest::qWait(decisionGraceMs);
    QCOMPARE(notifications().size(), 1);
    photographPanel(QStringLiteral("5-resolver-down"));

    const std::optional<TrayLook> look = lookAtTray();
    QVERIFY(look);
    QVERIFY(look->icon == m_busyLook.icon);
    QVERIFY(look->toolTip == m_busyLook.toolTip);
}

void TestInstalledQuello::restoredResolverSettlesAgainInPlaceOfTheFirst() {
    QVERIFY(lab({QStringLiteral("start"), QStringLiteral("google")}));
    QVERIFY(openPanel());
    QVERIFY(checkAllNow());

    QTRY_COMPARE_WITH_TIMEOUT(notifications().size(), 2, 5000);
    const QJsonObject notification = notifications().at(1);
    QCOMPARE(notification[QStringLiteral("summary")].toString(), settledTitle);
    QCOMPARE(notification[QStringLiteral("body")].toString(), settledBody);
    QCOMPARE(notification[QStringLiteral("replaces_id")].toInt(),
             m_firstNotification[QStringLiteral("id")].toInt());
    m_secondNotification = notification;

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
    QVERIFY(press(QStringLiteral("ctrl+q")));
    QVERIFY(m_quello->waitForFinished(5000));
    QCOMPARE(m_quello->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_quello->exitCode(), 0);
    QCOMPARE(savedWatch()->settledAt, m_settledAt);
}

void TestInstalledQuello::restartChecksTheSavedWatchAtOnce() {
    const qsizetype before = digRuns().size();
    QVERIFY(startQuello());
    const std::optional<QStringList> runs = waitForCheck(before);
    QVERIFY2(runs, "the saved watch was not checked at launch");

    // Settled before, settled now: no second notification, the first settling
    // time stays.
    QTest::qWait(decisionGraceMs);
    QCOMPARE(notifications().size(), 2);
    QCOMPARE(savedWatch()->settledAt, m_settledAt);

    const std::optional<TrayLook> look = lookAtTray();
    QVERIFY(look);
    QVERIFY(look->icon == m_idleLook.icon);
    QVERIFY(look->toolTip == m_idleLook.toolTip);

    QVERIFY(openPanel());
    photographPanel(QStringLiteral("6-after-restart"));
}

void TestInstalledQuello::restartWithAResolverDownFallsBack() {
    QVERIFY(panelRect());
    QVERIFY(press(QStringLiteral("ctrl+q")));
    QVERIFY(m_quello->waitForFinished(5000));
    QCOMPARE(m_quello->exitCode(), 0);

    QVERIFY(lab({QStringLiteral("stop"), QStringLiteral("google")}));
    const qsizetype before = digRuns().size();
    QVERIFY(startQuello());
    QVERIFY2(waitForCheck(before), "the saved watch was not checked at launch");
    QTRY_VERIFY2_WITH_TIMEOUT(savedPending(), savedList().constData(), 5000);
    QTest::qWait(decisionGraceMs);
    QCOMPARE(notifications().size(), 2);
}

void TestInstalledQuello::secondLaunchOpensTheFirstsPanel() {
    QVERIFY(!panelRect());
    QProcess* second = launch();
    QVERIFY(second->waitForFinished(10000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(m_quello->state(), QProcess::Running);
    QTRY_VERIFY_WITH_TIMEOUT(panelRect().has_value(), 5000);
    photographPanel(QStringLiteral("7-handed-over"));
}

void TestInstalledQuello::settlesAgainAfterTheRestart() {
    QVERIFY(lab({QStringLiteral("start"), QStringLiteral("google")}));
    QVERIFY(panelRect());
    QVERIFY(checkAllNow());
    QTRY_COMPARE_WITH_TIMEOUT(notifications().size(), 3, 5000);
    QCOMPARE(notifications().at(2)[QStringLiteral("summary")].toString(), settledTitle);
    QCOMPARE(notifications().at(2)[QStringLiteral("body")].toString(), settledBody);
    QTRY_VERIFY2_WITH_TIMEOUT(savedSettled(), savedList().constData(), 5000);
    photographPanel(QStringLiteral("8-settled-again"));
}

void TestInstalledQuello::secondWatchShowsItsResolvers() {
    // Three resolvers have the new address, one still has the old.
    for (const char* server : {"system", "cloudflare", "google"})
        QVERIFY(lab({QStringLiteral("set-a"), QLatin1String(server), otherDomain,
                     QStringLiteral("203.0.113.10")}));
    QVERIFY(lab({QStringLiteral("set-a"), QStringLiteral("quad9"), otherDomain,
                 QStringLiteral("203.0.113.5")}));
    QVERIFY(panelRect());
    const QImage oneRow = steadyPicture(*panelRect());
    const QByteArray listBefore = savedList();
    const qsizetype before = digRuns(otherDomain).size();

    QVERIFY(xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"),
                     QStringLiteral("www.example.test A 203.0.113.10")}));
    QVERIFY(press(QStringLiteral("Return")));

    // Appended behind the first, which is written exactly as before.
    QTRY_VERIFY_WITH_TIMEOUT(savedList() != listBefore, 5000);
    const QByteArray listAfter = savedList();
    QVERIFY2(listAfter.startsWith(listBefore.chopped(1) + ",{\"id\":"), listAfter.constData());
    const QJsonArray watches = QJsonDocument::fromJson(listAfter).array();
    QCOMPARE(watches.size(), 2);
    const QJsonObject added = watches.at(1).toObject();
    QCOMPARE(added[QStringLiteral("domain")].toString(), otherDomain);
    QCOMPARE(added[QStringLiteral("expected")].toString(), QStringLiteral("203.0.113.10"));
    QVERIFY(!added.contains(QStringLiteral("settledAt")));
    QVERIFY(waitForCheck(before, otherDomain));
    QTest::qWait(decisionGraceMs);
    QCOMPARE(notifications().size(), 3);

    // The new row sits right above the input bar: looking up from the bottom,
    // the first line where its status dot differs from the other row's is in it.
    const QImage twoRows = steadyPicture(*panelRect());
    QVERIFY(twoRows.height() > oneRow.height());
    int rowY = -1;
    for (int up = 1; up < oneRow.height() && rowY < 0; ++up) {
        for (int x = 14; x <= 34; ++x) {
            if (oneRow.pixel(x, oneRow.height() - up) != twoRows.pixel(x, twoRows.height() - up)) {
                rowY = twoRows.height() - up;
                break;
            }
        }
    }
    QVERIFY(rowY > 0);

    // A click on the row shows what each resolver answers.
    const QRect panel = *panelRect();
    QVERIFY(
        xdotool({QStringLiteral("mousemove"), QString::number(panel.x() + 200),
                 QString::number(panel.y() + rowY), QStringLiteral("click"), QStringLiteral("1")}));
    QTRY_VERIFY_WITH_TIMEOUT(panelRect() && panelRect()->height() > panel.height(), 5000);
    QVERIFY(xdotool(QStringList{QStringLiteral("mousemove")} + awayFromEverything));
    photographPanel(QStringLiteral("9-details"));
    // The same with the tray above it, where the panel hangs from.
    const QRect withTray = panelRect()->united(*iconRect()).united(QRect(panel.x(), 0, 1, 1));
    savePicture(steadyPicture(withTray), QStringLiteral("9-details-tray"));

    QVERIFY(press(QStringLiteral("ctrl+q")));
    QVERIFY(m_quello->waitForFinished(5000));
    QCOMPARE(m_quello->exitCode(), 0);
}

int main(int argc, char* argv[]) {
    const auto skip = [](const char* why) {
        std::printf("SKIP: %s\n", why);
        std::fflush(stdout);
        return skipExitCode;
    };
    if (qEnvironmentVariableIsEmpty("DNSLAB"))
        return skip("not inside the DNS lab (DNSLAB is not set); run it as tests/dnslab/dnslab "
                    "run -- tests/session/desktop-session -- ctest -L desktop");
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return skip("no X display (DISPLAY is not set); run it inside "
                    "tests/session/desktop-session");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return skip("no session bus (DBUS_SESSION_BUS_ADDRESS is not set); run it inside "
                    "tests/session/desktop-session");
    for (const char* tool : {"xdotool", "xprop", "unshare", "mount"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
            std::printf("SKIP: %s is missing (packages: xdotool x11-utils util-linux mount)\n",
                        tool);
            std::fflush(stdout);
            return skipExitCode;
        }
    }

    // The test looks at the screen itself.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    TestInstalledQuello test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_installedquello.moc"

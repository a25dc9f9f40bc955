#include "desktoptestmain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Runs a tool and returns what it printed; empty if it could not run.
QString output(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(5000))
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// Whether a 380-pixel wide Quello window is mapped on the X display.
bool panelOnScreen() {
    const QStringList ids = output(QStringLiteral("xdotool"),
                                   {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                    QStringLiteral("--classname"), QStringLiteral("quello")})
                                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& id : ids) {
        if (output(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id})
                .contains(QRegularExpression(QStringLiteral("Width: 380\\b"))))
            return true;
    }
    return false;
}

} // namespace

// The real binary with an empty watch list, so it never runs dig. Every
// start gets its own home and runtime directory.
class TestQuelloProcess : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    QList<QProcess*> m_running;

    QString runtimeDir() const { return m_home.filePath(QStringLiteral("run")); }

    QProcess* start() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
        auto* process = new QProcess(this);
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QStringLiteral(QUELLO_BINARY), {});
        m_running.append(process);
        return process;
    }

    bool desktop() const {
        return QGuiApplication::platformName() == QLatin1String("xcb")
               && QSystemTrayIcon::isSystemTrayAvailable()
               && !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
    }

private Q_SLOTS:
    void init() {
        QVERIFY(m_home.isValid());
        QDir(runtimeDir()).removeRecursively();
        QVERIFY(QDir().mkpath(runtimeDir()));
        QFile::setPermissions(runtimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void cleanup() {
        for (QProcess* process : std::as_const(m_running)) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished();
            }
            delete process;
        }
        m_running.clear();
    }

    void secondStartShowsTheFirstsPanel() {
        QProcess* first = start();
        QVERIFY(first->waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(runtimeDir() + QStringLiteral("/quello.socket")),
                                 10000);
        const bool onDesktop = desktop();
        if (onDesktop) {
            QTest::qWait(500); // the tray takes the icon
            QVERIFY(!panelOnScreen());
        }

        QProcess* second = start();
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(first->state(), QProcess::Running);

        if (!onDesktop)
            QSKIP("no X11 tray: the panel on screen and its keys are not checked");
        QTRY_VERIFY_WITH_TIMEOUT(panelOnScreen(), 5000);

        // The panel has the keyboard: Ctrl+Q ends Quello normally.
        QCOMPARE(
            output(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+q")}),
            QString());
        QVERIFY(first->waitForFinished(5000));
        QCOMPARE(first->exitStatus(), QProcess::NormalExit);
        QCOMPARE(first->exitCode(), 0);
    }
};

QUELLO_DESKTOP_TEST_MAIN(TestQuelloProcess)
#include "tst_quelloprocess.moc"

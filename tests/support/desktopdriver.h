#pragma once

// Driving a Quello binary on the test desktop (tests/session/desktop-session):
// the processes a test starts, the X windows they show, xdotool.

#include <QCoreApplication>
#include <QProcess>
#include <QRect>
#include <QStringList>
#include <QTest>

#include <cstdio>

namespace Quello::Test::Desktop {

struct Output {
    int status = -1; // -1: did not run or did not end normally
    QByteArray out;
};

// Runs a program to its end; what it says on standard error goes to the test's.
inline Output run(const QString& program, const QStringList& arguments, int timeoutMs = 20000) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput()};
}

// xdotool, its arguments separated by single spaces.
inline Output xdo(const QString& arguments) {
    return run(QStringLiteral("xdotool"), arguments.split(u' ', Qt::SkipEmptyParts));
}

// A process that lives at most as long as its owner (QProcess kills it then);
// its standard error goes to the test's.
inline QProcess* start(QObject* owner, const QString& program, const QStringList& arguments,
                       const QProcessEnvironment& env) {
    auto* process = new QProcess(owner);
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program, arguments);
    process->waitForStarted();
    return process;
}

inline void stop(QProcess*& process) {
    if (process != nullptr && process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished();
    }
    process = nullptr;
}

// The process's visible X windows but its tooltips.
inline QList<QRect> windows(const QProcess* process) {
    QList<QRect> found;
    if (process == nullptr || process->state() != QProcess::Running)
        return found;
    const QString ids = QString::fromUtf8(
        xdo(QStringLiteral("search --onlyvisible --pid %1").arg(process->processId())).out);
    for (const QString& id : ids.split(u'\n', Qt::SkipEmptyParts)) {
        QHash<QByteArray, int> v;
        for (const QByteArray& line :
             xdo(QStringLiteral("getwindowgeometry --shell ") + id).out.split('\n'))
            v.insert(line.split('=').first(), line.split('=').last().toInt());
        if (v.contains("HEIGHT")
            && !run(QStringLiteral("xprop"),
                    {QStringLiteral("-id"), id, QStringLiteral("_NET_WM_WINDOW_TYPE")})
                    .out.contains("TOOLTIP"))
            found.append(QRect(v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]));
    }
    return found;
}

// Quello's panel, 380 pixels wide; null when it is closed.
inline QRect panel(const QProcess* quello) {
    for (const QRect& r : windows(quello))
        if (r.width() == 380)
            return r;
    return {};
}

// Whether the lab and the test desktop are there; says what is missing.
inline bool available() {
    for (const char* name : {"DNSLAB", "QUELLO_TEST_DESKTOP", "DBUS_SESSION_BUS_ADDRESS"})
        if (qEnvironmentVariableIsEmpty(name)) {
            std::printf("SKIP: needs %s; run it as tests/dnslab/dnslab run -- "
                        "tests/session/desktop-session -- ctest -L desktop\n",
                        name);
            std::fflush(stdout);
            return false;
        }
    return true;
}

} // namespace Quello::Test::Desktop

// main() of a desktop test: it skips (77) outside the lab and the desktop.
#define QUELLO_DESKTOP_TEST_MAIN(TestClass)                                                        \
    int main(int argc, char* argv[]) {                                                             \
        if (!Quello::Test::Desktop::available())                                                   \
            return 77;                                                                             \
        QCoreApplication app(argc, argv);                                                          \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

#pragma once

// The DNS lab's control commands (tests/dnslab), for tests run inside it.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace Quello::Test::DnsLab {

// The lab script; empty outside the lab.
inline QString program() {
    return QProcessEnvironment::systemEnvironment().value(QStringLiteral("DNSLAB"));
}

[[nodiscard]] inline bool run(const QStringList& args) {
    QProcess process;
    process.start(program(), args);
    const bool finished = process.waitForFinished(30000);
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning("dnslab %s failed: %s", qPrintable(args.join(u' ')),
                 process.readAllStandardError().constData());
        return false;
    }
    return true;
}

// Commands separated by ";", each with its arguments separated by "|":
// "set-a|all|x.test|192.0.2.1;freeze|quad9". Stops at the first that fails.
[[nodiscard]] inline bool runCommands(const QString& commands) {
    for (const QString& command : commands.split(u';'))
        if (!run(command.split(u'|')))
            return false;
    return true;
}

} // namespace Quello::Test::DnsLab

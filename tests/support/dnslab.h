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

// One command, its arguments separated by "|": "set-txt|all|x.test|two words".
inline QStringList command(const char* text) {
    return QString::fromUtf8(text).split(u'|');
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

[[nodiscard]] inline bool run(const char* text) {
    return run(command(text));
}

} // namespace Quello::Test::DnsLab

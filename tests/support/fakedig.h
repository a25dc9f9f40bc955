#pragma once

// Drives tests/support/fakedig through a wrapper script in a temporary
// directory, so the process environment stays untouched. Targets define
// FAKEDIG_PATH as the fake's absolute path.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>

namespace Quello::Test {

class FakeDig {
public:
    struct Answer {
        QByteArray output{};
        int status = 0;
        double sleepSeconds = 0;
        bool hang = false;
        int repeat = 0;           // print the first line of `output` this often
        QByteArray signal{};      // e.g. "TERM", sent to itself after printing
        QByteArray errorOutput{}; // written to stderr
        // The long form around `output`'s short-form lines:
        QByteArray rcode{};     // the header's status; NOERROR when empty
        int ttl = 0;            // of every answer record
        QByteArray authority{}; // whole records for the authority section
        bool verbatim = false;  // `output` is printed as it is, long form and all
    };

    static inline const QString any = QStringLiteral("any");

    FakeDig() {
        write(program(), "#!/bin/sh\nFAKEDIG_DIR='" + m_dir.path().toUtf8()
                             + "'\nexport FAKEDIG_DIR\nexec '" FAKEDIG_PATH "' \"$@\"\n");
        QFile::setPermissions(program(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString program() const { return m_dir.filePath(QStringLiteral("dig")); }

    // `server` is the address after "@", or "system"; "any" matches all.
    void setAnswer(const Answer& answer, const QString& server = any, const QString& domain = any,
                   const QString& type = any) {
        QDir dir(m_dir.filePath(QStringLiteral("answers/%1/%2/%3").arg(server, domain, type)));
        dir.removeRecursively();
        dir.mkpath(QStringLiteral("."));
        const auto put = [&dir](const char* name, const QByteArray& content, bool present = true) {
            if (present)
                write(dir.filePath(QLatin1String(name)), content);
        };
        put("output", answer.output);
        put("status", QByteArray::number(answer.status), answer.status != 0);
        put("sleep", QByteArray::number(answer.sleepSeconds), answer.sleepSeconds > 0);
        put("hang", {}, answer.hang);
        put("repeat", QByteArray::number(answer.repeat), answer.repeat > 0);
        put("signal", answer.signal, !answer.signal.isEmpty());
        put("stderr", answer.errorOutput, !answer.errorOutput.isEmpty());
        put("rcode", answer.rcode, !answer.rcode.isEmpty());
        put("ttl", QByteArray::number(answer.ttl), answer.ttl != 0);
        put("authority", answer.authority, !answer.authority.isEmpty());
        put("verbatim", {}, answer.verbatim);
    }

    // The arguments of every invocation, in the order they started.
    QList<QStringList> calls() const {
        QList<QStringList> result;
        for (const QByteArray& line : lines(QStringLiteral("calls")))
            result.append(QString::fromUtf8(line).split(QLatin1Char('\t')));
        return result;
    }

    // The calls that asked the four resolvers, without those about the zone's
    // servers: the SOA (always the first question), the NS set, the servers'
    // addresses (several questions in one run) and the servers themselves.
    QList<QStringList> resolverCalls() const {
        QList<QStringList> result = calls();
        result.removeIf([](const QStringList& call) {
            const qsizetype words = std::count_if(call.cbegin(), call.cend(), [](const QString& a) {
                return !a.startsWith(u'+') && !a.startsWith(u'-') && !a.startsWith(u'@');
            });
            return words > 2 || call.contains(QStringLiteral("SOA"))
                   || call.contains(QStringLiteral("+norecurse")) || call.last() == u"NS";
        });
        return result;
    }

    QList<qint64> startedPids() const {
        QList<qint64> result;
        for (const QByteArray& line : lines(QStringLiteral("events")))
            if (line.startsWith("begin "))
                result.append(line.mid(6).toLongLong());
        return result;
    }

    // The most invocations running at the same moment.
    int peakConcurrency() const {
        int running = 0;
        int peak = 0;
        for (const QByteArray& line : lines(QStringLiteral("events"))) {
            running += line.startsWith("begin ") ? 1 : -1;
            peak = std::max(peak, running);
        }
        return peak;
    }

private:
    static void write(const QString& path, const QByteArray& content) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(content);
    }

    QList<QByteArray> lines(const QString& name) const {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> result = file.readAll().split('\n');
        if (!result.isEmpty() && result.last().isEmpty())
            result.removeLast();
        return result;
    }

    QTemporaryDir m_dir;
};

} // namespace Quello::Test

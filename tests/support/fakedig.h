#pragma once

// Test-side control of tests/support/fakedig. Each FakeDig owns a temporary
// directory and a wrapper script in it that runs the fake with FAKEDIG_DIR set
// to that directory, so tests pass program() where the real dig would go and
// never touch the process environment. The test target must define
// FAKEDIG_PATH as the absolute path of the fake, e.g.
//   target_compile_definitions(t PRIVATE
//       FAKEDIG_PATH="${PROJECT_SOURCE_DIR}/tests/support/fakedig")

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
    // What one invocation does; see the comment at the top of the script.
    struct Answer {
        QByteArray output{};
        int status = 0;
        double sleepSeconds = 0;
        bool hang = false;
        int repeat = 0;           // print the first line of `output` this often
        QByteArray signal{};      // e.g. "TERM": the fake kills itself after printing
        QByteArray errorOutput{}; // written to stderr
    };

    static inline const QString any = QStringLiteral("any");

#ifdef FAKEDIG_PATH
    FakeDig()
        : FakeDig(QStringLiteral(FAKEDIG_PATH)) {}
#endif

    explicit FakeDig(const QString& script) {
        const QByteArray wrapper = "#!/bin/sh\nFAKEDIG_DIR='" + m_dir.path().toUtf8()
                                   + "'\nexport FAKEDIG_DIR\nexec '" + script.toUtf8()
                                   + "' \"$@\"\n";
        write(program(), wrapper);
        QFile::setPermissions(program(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString program() const {
        return m_dir.filePath(QStringLiteral("dig"));
    }

    // `server` is the address after "@", or "system"; "any" matches all.
    void setAnswer(const Answer& answer, const QString& server = any, const QString& domain = any,
                   const QString& type = any) {
        QDir dir(m_dir.filePath(QStringLiteral("answers/%1/%2/%3").arg(server, domain, type)));
        dir.removeRecursively();
        dir.mkpath(QStringLiteral("."));
        auto put = [&dir](const char* name, const QByteArray& content) {
            write(dir.filePath(QLatin1String(name)), content);
        };
        put("output", answer.output);
        if (answer.status != 0)
            put("status", QByteArray::number(answer.status));
        if (answer.sleepSeconds > 0)
            put("sleep", QByteArray::number(answer.sleepSeconds));
        if (answer.hang)
            put("hang", {});
        if (answer.repeat > 0)
            put("repeat", QByteArray::number(answer.repeat));
        if (!answer.signal.isEmpty())
            put("signal", answer.signal);
        if (!answer.errorOutput.isEmpty())
            put("stderr", answer.errorOutput);
    }

    // The arguments of every invocation so far, in the order they started.
    QList<QStringList> calls() const {
        QList<QStringList> result;
        for (const QByteArray& line : lines(QStringLiteral("calls")))
            result.append(QString::fromUtf8(line).split(QLatin1Char('\t')));
        return result;
    }

    // Process ids of the invocations that have started, in order.
    QList<qint64> startedPids() const {
        return pids("begin ");
    }

    // The most invocations that were running at the same moment.
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

    QList<qint64> pids(const char* prefix) const {
        QList<qint64> result;
        for (const QByteArray& line : lines(QStringLiteral("events"))) {
            if (line.startsWith(prefix))
                result.append(line.mid(qstrlen(prefix)).toLongLong());
        }
        return result;
    }

    QTemporaryDir m_dir;
};

} // namespace Quello::Test

#include "query/digrunner.h"

#include "model/watchparser.h"
#include "query/digresponse.h"

#include <QByteArray>
#include <QPointer>
#include <QProcess>
#include <QStringDecoder>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace Quello::DigRunner {

namespace {

bool isHorizontalSpace(QChar c) {
    // Every space separator (category Zs) lies in the BMP, so one UTF-16
    // unit at a time is enough.
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QString decodeUtf8(const QByteArray& bytes) {
    // Stateless, so that a sequence cut off at the very end counts as invalid
    // instead of waiting for bytes that will never come.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return {};
    return text;
}

// Starting with one of these, dig would read the domain as an option or as
// the server to ask.
bool looksLikeOption(const QString& domain) {
    return domain.startsWith(u'-') || domain.startsWith(u'+') || domain.startsWith(u'@');
}

// A child killed with SIGKILL normally ends within milliseconds. One that does
// not (stuck in the kernel, say) is not waited for on the main thread any
// longer than this.
constexpr int killWaitMs = 50;

// One running dig. Ends with the caller's context, yet is not its child:
// destroying a running QProcess waits up to 30 s for it, on the main thread.
class DigProcess : public QProcess {
public:
    DigProcess(QObject* owner, RawCallback done)
        : m_owner(owner)
        , m_done(std::move(done)) {
        connect(owner, &QObject::destroyed, this, [this] { abandon(); });
    }

    void run(const QString& program, const QStringList& args, std::chrono::milliseconds timeout) {
        setStandardInputFile(QProcess::nullDevice());
        setStandardErrorFile(QProcess::nullDevice());

        connect(this, &QProcess::readyReadStandardOutput, this, [this] { collectOutput(); });
        connect(this, &QProcess::finished, this, [this](int exitCode, ExitStatus status) {
            if (!collectOutput())
                return;
            if (status == CrashExit)
                decide(Failure{Failure::Reason::Crashed});
            else
                decide(Output{decodeUtf8(m_output), exitCode});
        });
        // A child that could not be started never reports `finished`. Every
        // other error is followed by `finished`, which decides.
        connect(this, &QProcess::errorOccurred, this, [this](ProcessError error) {
            if (error == FailedToStart)
                decide(Failure{Failure::Reason::LaunchFailed});
        });

        m_watchdog.setSingleShot(true);
        connect(&m_watchdog, &QTimer::timeout, this, [this] {
            kill();
            decide(Failure{Failure::Reason::TimedOut, 0, AnswerStatus::TimedOut});
        });
        m_watchdog.start(timeout);

        start(program, args, QIODevice::ReadOnly);
    }

private:
    // False once the output has grown too large and the child is stopped.
    bool collectOutput() {
        if (m_decided)
            return false;
        m_output += readAllStandardOutput();
        if (m_output.size() <= maximumOutputBytes)
            return true;
        kill();
        decide(Failure{Failure::Reason::OutputTooLarge});
        return false;
    }

    void decide(const RawOutcome& outcome) {
        if (m_decided)
            return;
        m_decided = true;
        m_watchdog.stop();
        m_output.clear();
        // Queued on the owner: the caller always hears back from the event
        // loop, and not at all once the owner is gone.
        if (m_owner) {
            QMetaObject::invokeMethod(
                m_owner, [done = std::move(m_done), outcome] { done(outcome); },
                Qt::QueuedConnection);
        }
        // A child killed above is reaped once it has ended.
        if (state() == NotRunning)
            deleteLater();
        else
            connect(this, &QProcess::finished, this, &QObject::deleteLater);
    }

    // The owner is going: kill the child without reporting anything, and wait
    // for it only briefly. One that outlives the wait is let go, and reaped
    // whenever it ends.
    void abandon() {
        m_decided = true;
        m_watchdog.stop();
        disconnect(this, nullptr, nullptr, nullptr);
        if (state() != NotRunning) {
            kill();
            if (!waitForFinished(killWaitMs)) {
                connect(this, &QProcess::finished, this, &QObject::deleteLater);
                return;
            }
        }
        delete this;
    }

    QPointer<QObject> m_owner;
    RawCallback m_done;
    QByteArray m_output;
    QTimer m_watchdog;
    bool m_decided = false;
};

Answer answerFrom(const DigResponse& response) {
    return Answer{response.values(), response.answerStatus(), response.remainingTtl()};
}

} // namespace

QStringList fixedOptions() {
    // +noall drops every part of the output; +comments brings back the header
    // with the status and flags, +answer the records the short form prints
    // (with their TTLs), +authority the SOA that says how long a negative
    // answer is cached.
    return {QStringLiteral("-r"),        QStringLiteral("+time=3"),   QStringLiteral("+tries=1"),
            QStringLiteral("+noall"),    QStringLiteral("+comments"), QStringLiteral("+answer"),
            QStringLiteral("+authority")};
}

QStringList arguments(const QString& domain, RecordType type,
                      const std::optional<QString>& server) {
    QStringList args = fixedOptions();
    if (server)
        args.append(u'@' + *server);
    args.append(domain);
    args.append(rawValue(type));
    return args;
}

QString normalize(QStringView value) {
    qsizetype begin = 0;
    qsizetype end = value.size();
    while (begin < end && isHorizontalSpace(value[begin]))
        ++begin;
    while (end > begin && isHorizontalSpace(value[end - 1]))
        --end;
    QStringView text = value.sliced(begin, end - begin);

    if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"'))
        text = text.sliced(1, text.size() - 2);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text.toString();
}

QStringList valuesFromOutput(QStringView output) {
    QStringList values;
    for (const QStringView line : output.split(u'\n')) {
        QString value = normalize(line);
        if (!value.isEmpty() && !value.startsWith(u';'))
            values.append(std::move(value));
    }
    // UTF-16 code unit order: byte order for ASCII answers.
    std::sort(values.begin(), values.end());
    return values;
}

void run(const QString& program, const QStringList& args, QObject* context, RawCallback done,
         std::chrono::milliseconds timeout) {
    Q_ASSERT(context);
    if (!context)
        return;
    auto* process = new DigProcess(context, std::move(done));
    process->run(program, args, timeout);
}

void query(const QString& program, const QString& domain, RecordType type,
           const std::optional<QString>& server, QObject* context, Callback done,
           std::chrono::milliseconds timeout) {
    Q_ASSERT(context);
    if (!context)
        return;

    if (!WatchParser::isValidDomain(domain) || looksLikeOption(domain)) {
        QMetaObject::invokeMethod(
            context, [done = std::move(done)] { done(Failure{Failure::Reason::InvalidDomain}); },
            Qt::QueuedConnection);
        return;
    }

    run(
        program, arguments(domain, type, server), context,
        [done = std::move(done)](const RawOutcome& outcome) {
            if (const auto* failure = std::get_if<Failure>(&outcome)) {
                done(*failure);
                return;
            }
            const Output& output = std::get<Output>(outcome);
            const DigResponse response = DigResponse::parse(output.text);
            if (output.exitStatus != 0) {
                // The kind of failure comes from dig's own messages.
                done(Failure{Failure::Reason::ExitStatus, output.exitStatus,
                             response.failureKind().value_or(AnswerStatus::QueryFailed)});
            } else {
                done(answerFrom(response));
            }
        },
        timeout);
}

} // namespace Quello::DigRunner

#pragma once

#include "model/answerstatus.h"
#include "model/recordtype.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <chrono>
#include <functional>
#include <optional>
#include <variant>

namespace Quello {

// Asks one resolver for one record by running dig as a child process
// (never through a shell) and reading its long-form answer: the values the
// short form would print, plus the response's status and TTLs.
namespace DigRunner {

inline constexpr auto defaultProgram = QStringView(u"/usr/bin/dig");

// dig's own time-out keeps healthy runs far below this; a child still running
// after it is killed so that a hung tool cannot stall its caller forever.
inline constexpr std::chrono::milliseconds watchdogTimeout{10'000};

// The long form of the largest DNS message, escapes and all, stays far below
// this; a child printing more is not a resolver's answer and is stopped before
// it can fill memory or hold the event loop while its lines are sorted.
inline constexpr qsizetype maximumOutputBytes = 1024 * 1024;

struct Failure {
    enum class Reason {
        LaunchFailed,   // the process could not be started
        ExitStatus,     // dig exited with a non-zero status
        Crashed,        // dig was ended by a signal
        TimedOut,       // killed by the watchdog
        InvalidDomain,  // refused before any process was started
        OutputTooLarge, // more than maximumOutputBytes; the child was killed
    };
    Reason reason = Reason::LaunchFailed;
    int exitStatus = 0; // meaningful for ExitStatus only
    // Why no answer came, as far as dig said: TimedOut, Unreachable,
    // ConnectionRefused, or QueryFailed when it said nothing known.
    AnswerStatus kind = AnswerStatus::QueryFailed;

    bool operator==(const Failure&) const = default;
};

// A resolver's reply, whatever its status.
struct Answer {
    QStringList values;                 // what the short form gives: normalized and sorted
    std::optional<AnswerStatus> status; // none when dig printed no response
    std::optional<qint64> ttl;          // seconds the answer may stay cached
    bool operator==(const Answer&) const = default;
};

using Outcome = std::variant<Answer, Failure>;
using Callback = std::function<void(const Outcome&)>;

// What a dig run printed, whatever its exit status: a run that asks several
// questions says how each one went in its output, and exits non-zero when
// only the last one failed.
struct Output {
    QString text;
    int exitStatus = 0;

    bool operator==(const Output&) const = default;
};
using RawOutcome = std::variant<Output, Failure>;
using RawCallback = std::function<void(const RawOutcome&)>;

// What every query passes before the server: "-r" so that ~/.digrc cannot
// change the output, the fixed time-out and tries, and the long form limited
// to the status comments, the answer and the authority section.
QStringList fixedOptions();

// fixedOptions() ["@server"] domain TYPE
QStringList arguments(const QString& domain, RecordType type, const std::optional<QString>& server);

// Trims horizontal whitespace, strips one outer pair of double quotes, drops
// one final dot. Letter case and line breaks are kept.
QString normalize(QStringView value);

// Splits at line feeds, normalizes every piece, drops empty and ";" lines,
// sorts the rest. Duplicates stay.
QStringList valuesFromOutput(QStringView output);

// Starts one dig child. `done` runs exactly once, from the event loop and
// never inside this call, unless `context` is destroyed first (then the child
// is killed and nothing runs). `context` must not be null; the child ends with it.
// A domain that WatchParser::isValidDomain rejects fails without a process.
// `timeout` exists for tests; production code keeps the default.
void query(const QString& program, const QString& domain, RecordType type,
           const std::optional<QString>& server, QObject* context, Callback done,
           std::chrono::milliseconds timeout = watchdogTimeout);

// Runs dig with these arguments as they are, and hands back what it printed.
// The same guarantees as `query`; the caller reads the output itself.
void run(const QString& program, const QStringList& args, QObject* context, RawCallback done,
         std::chrono::milliseconds timeout = watchdogTimeout);

} // namespace DigRunner

} // namespace Quello

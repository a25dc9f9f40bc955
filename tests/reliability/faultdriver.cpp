// Runs one bad-input or fault scenario against the real store, runner and
// notifier, and prints one line: what happened, and how late a 100 ms
// heartbeat on the event loop ever was.
//
//   faultdriver SCENARIO [--quick]      faultdriver --list
//
// Exit status: 0 when nothing crashed, hung or got lost; 1 when something
// did; 77 when the scenario cannot run here. Timing never changes the exit
// status: scripts/reliability judges the printed lateness itself.

#include "fakedig.h"
#include "fakenotificationserver.h"
#include "fakenotifier.h"
#include "model/watchlistcodec.h"
#include "privatebus.h"
#include "query/digrunner.h"
#include "store/desktopnotifier.h"
#include "store/digstore.h"
#include "store/inisettingsstore.h"
#include "store/systemclock.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utime.h>

using namespace Quello;
using namespace Quello::Test;

namespace {

// --- Measuring ---------------------------------------------------------------

// A 100 ms timer on the event loop; a tick that comes late means something
// held the loop for that long.
class Heartbeat {
public:
    static constexpr qint64 periodMs = 100;

    Heartbeat() {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            m_worst = std::max(m_worst, now - m_last - periodMs);
            m_last = now;
        });
        m_clock.start();
    }

    // Setup work of the scenario itself is not the subject's fault. A tick
    // that is overdue when the heartbeat stops counts as late already.
    void pause() {
        if (m_timer.isActive())
            m_worst = std::max(m_worst, m_clock.elapsed() - m_last - periodMs);
        m_timer.stop();
    }
    void resume() {
        m_last = m_clock.elapsed();
        m_timer.start(periodMs);
    }
    qint64 worstLatenessMs() const { return std::max<qint64>(m_worst, 0); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_worst = 0;
};

Heartbeat* heartbeat = nullptr;

// Runs the event loop until `done` holds or `timeoutMs` has passed.
bool waitFor(const std::function<bool()>& done, qint64 timeoutMs) {
    if (done())
        return true;
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > timeoutMs)
            loop.quit();
    });
    poll.start(5);
    loop.exec();
    return done();
}

void spin(qint64 ms) {
    waitFor([] { return false; }, ms);
}

qint64 peakResidentMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() / 1024;
    }
    return -1;
}

// --- Outcome -----------------------------------------------------------------

struct Verdict {
    enum class Kind { Ok, Failed, Skipped };
    Kind kind = Kind::Ok;
    QString text;
};

Verdict ok(const QString& text) {
    return {Verdict::Kind::Ok, text};
}
Verdict failed(const QString& text) {
    return {Verdict::Kind::Failed, text};
}
Verdict skipped(const QString& text) {
    return {Verdict::Kind::Skipped, text};
}

// --- Fixtures ----------------------------------------------------------------

QList<Watch> makeWatches(const QStringList& domains) {
    QList<Watch> watches;
    for (qsizetype i = 0; i < domains.size(); ++i)
        watches.append(Watch{QUuid::createUuid(), domains[i], RecordType::A, std::nullopt,
                             700'000'000.0 + static_cast<double>(i), std::nullopt});
    return watches;
}

QStringList numberedDomains(int count) {
    QStringList domains;
    for (int i = 0; i < count; ++i)
        domains.append(QStringLiteral("w%1.example").arg(i));
    return domains;
}

QByteArray sha1(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}

// What another process finds under one key of a settings file. Read in a
// child: QSettings keeps files it has seen in a per-process cache, unsaved
// changes included, so a reader in this process could see what never reached
// the disk.
struct OnDisk {
    bool present = false;
    QByteArray rawHash;
    qsizetype watchCount = -1; // -1: not a readable list
    QByteArray listHash;       // of the list encoded again
};

OnDisk readInChild(const QString& file, const QString& key) {
    QProcess reader;
    reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    reader.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--read"), file, key});
    if (!reader.waitForFinished(120000)) {
        std::fprintf(stderr, "faultdriver: reading %s in a child failed: %s\n", qPrintable(file),
                     qPrintable(reader.errorString()));
        return {};
    }
    const QList<QByteArray> fields = reader.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 3)
        return {};
    return OnDisk{true, fields[0], fields[1].toLongLong(), fields[2]};
}

int printOnDisk(const QString& file, const QString& key) {
    const std::optional<QByteArray> bytes = IniSettingsStore(file).value(key);
    if (!bytes) {
        std::printf("absent\n");
        return 0;
    }
    const std::optional<QList<Watch>> watches = WatchListCodec::decode(*bytes);
    std::printf("%s %lld %s\n", sha1(*bytes).constData(),
                static_cast<long long>(watches ? watches->size() : -1),
                watches ? sha1(WatchListCodec::encode(*watches)).constData() : "-");
    return 0;
}

// A settings file of our own.
struct Config {
    QTemporaryDir root;
    QString dir = root.filePath(QStringLiteral("Quello"));
    QString file = dir + QStringLiteral("/Quello.conf");

    // Preparing and verifying are not what is measured: each of these stops
    // the heartbeat, and the scenario restarts it when its subject runs.
    void save(const QByteArray& value) {
        heartbeat->pause();
        IniSettingsStore(file).setValue(DigStore::settingsKey, value);
    }
    void save(const QList<Watch>& watches) { save(WatchListCodec::encode(watches)); }

    OnDisk onDisk(const QString& key = DigStore::settingsKey) const {
        heartbeat->pause();
        return readInChild(file, key);
    }
    // The saved list reads back as exactly these watches.
    bool holds(const QList<Watch>& watches) const {
        const OnDisk found = onDisk();
        return found.watchCount == watches.size()
               && found.listHash == sha1(WatchListCodec::encode(watches));
    }
};

// The settings store the application uses, with every save counted and timed.
class TimedSettings final : public SettingsStore {
public:
    explicit TimedSettings(const QString& file)
        : m_store(file) {}

    std::optional<QByteArray> value(const QString& key) const override {
        return m_store.value(key);
    }
    void setValue(const QString& key, const QByteArray& value) override {
        QElapsedTimer clock;
        clock.start();
        m_store.setValue(key, value);
        const qint64 ms = clock.elapsed();
        ++saves;
        totalMs += ms;
        slowestMs = std::max(slowestMs, ms);
    }

    int saves = 0;
    qint64 totalMs = 0;
    qint64 slowestMs = 0;

private:
    IniSettingsStore m_store;
};

// The real store on the real settings file, a dig of the scenario's choice,
// no notifications and the system clock.
struct StoreRun {
    TimedSettings settings;
    FakeNotifier notifier;
    SystemClock clock;
    std::unique_ptr<DigStore> store;
    qint64 constructionMs = 0;
    qint64 launchPassMs = -1;

    StoreRun(const Config& config, const QString& digProgram)
        : settings(config.file) {
        QElapsedTimer timer;
        timer.start();
        store = std::make_unique<DigStore>(
            StoreServices{.settings = settings,
                          .notifier = notifier,
                          .clock = clock,
                          .digProgram = digProgram,
                          .maxConcurrentQueries = DigQueue::defaultMaxRunning});
        constructionMs = timer.elapsed();
        // Queued behind the launch check that the constructor posted: it
        // runs once that whole pass of the event loop has returned.
        timer.restart();
        QTimer::singleShot(0, store.get(), [this, timer] { launchPassMs = timer.elapsed(); });
    }

    bool launchChecksDone(qint64 timeoutMs) {
        return waitFor(
            [this] {
                return store->results().size() == store->watches().size()
                       && store->isChecking().isEmpty();
            },
            timeoutMs);
    }

    int failedResults() const {
        int count = 0;
        for (const DigStore::ResultMap& results : store->results()) {
            for (const ResolverResult& r : results)
                count += r.failed ? 1 : 0;
        }
        return count;
    }
    int resultCount() const {
        int count = 0;
        for (const DigStore::ResultMap& results : store->results())
            count += static_cast<int>(results.size());
        return count;
    }
};

// One query straight through the runner, waited for on the event loop.
std::optional<DigRunner::Outcome> queryOnce(const QString& program, const QString& domain,
                                            std::chrono::milliseconds timeout,
                                            qint64 waitMs = 30000) {
    QObject context;
    std::optional<DigRunner::Outcome> outcome;
    DigRunner::query(
        program, domain, RecordType::A, std::nullopt, &context,
        [&outcome](const DigRunner::Outcome& o) { outcome = o; }, timeout);
    waitFor([&] { return outcome.has_value(); }, waitMs);
    return outcome;
}

QString describe(const std::optional<DigRunner::Outcome>& outcome) {
    if (!outcome)
        return QStringLiteral("no outcome");
    if (const auto* values = std::get_if<QStringList>(&*outcome))
        return QStringLiteral("success with %1 values").arg(values->size());
    switch (std::get<DigRunner::Failure>(*outcome).reason) {
    case DigRunner::Failure::Reason::LaunchFailed:
        return QStringLiteral("LaunchFailed");
    case DigRunner::Failure::Reason::ExitStatus:
        return QStringLiteral("ExitStatus %1")
            .arg(std::get<DigRunner::Failure>(*outcome).exitStatus);
    case DigRunner::Failure::Reason::Crashed:
        return QStringLiteral("Crashed");
    case DigRunner::Failure::Reason::TimedOut:
        return QStringLiteral("TimedOut");
    case DigRunner::Failure::Reason::InvalidDomain:
        return QStringLiteral("InvalidDomain");
    }
    return QStringLiteral("unknown");
}

bool processGone(qint64 pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH;
}

// Every watch that went in is still there, in memory and on disk. Settling
// may have changed settledAt; nothing else may change.
QString lostWatches(const QList<Watch>& saved, const StoreRun& run, const Config& config) {
    const QList<Watch>& now = run.store->watches();
    const auto sameWatch = [](Watch a, Watch b) {
        a.settledAt.reset();
        b.settledAt.reset();
        return a == b;
    };
    if (now.size() != saved.size()
        || !std::equal(now.cbegin(), now.cend(), saved.cbegin(), sameWatch))
        return QStringLiteral("the store holds %1 watches, not the %2 that went in")
            .arg(now.size())
            .arg(saved.size());
    const OnDisk found = config.onDisk();
    if (found.watchCount < 0)
        return QStringLiteral("the saved list no longer reads back");
    if (!config.holds(now))
        return QStringLiteral("the saved list holds %1 watches, not the %2 in the store")
            .arg(found.watchCount)
            .arg(now.size());
    return {};
}

// --- Scenarios: dig ----------------------------------------------------------

Verdict launchFailure(const QString& program, const QString& what) {
    Config config;
    const QList<Watch> saved = makeWatches(
        {QStringLiteral("a.example"), QStringLiteral("b.example"), QStringLiteral("c.example")});
    config.save(saved);
    heartbeat->resume();

    const QString direct =
        describe(queryOnce(program, QStringLiteral("a.example"), DigRunner::watchdogTimeout));
    StoreRun run(config, program);
    if (!run.launchChecksDone(30000))
        return failed(what + QStringLiteral(": the launch checks never ended"));
    const QString lost = lostWatches(saved, run, config);
    if (!lost.isEmpty())
        return failed(lost);
    if (direct != QLatin1String("LaunchFailed") || run.failedResults() != 12)
        return failed(QStringLiteral("%1: query gave %2, %3 of 12 results failed")
                          .arg(what, direct)
                          .arg(run.failedResults()));
    return ok(QStringLiteral("%1: query fails with LaunchFailed; all 12 results failed; "
                             "3 watches kept")
                  .arg(what));
}

Verdict digMissing(bool) {
    return launchFailure(QStringLiteral("/nonexistent/quello/dig"), QStringLiteral("no dig"));
}

Verdict digNotExecutable(bool) {
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("dig"));
    QFile file(program);
    if (!file.open(QIODevice::WriteOnly))
        return skipped(QStringLiteral("cannot write a file"));
    file.write("#!/bin/sh\necho 192.0.2.1\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    return launchFailure(program, QStringLiteral("dig without execute permission"));
}

Verdict digHangs(bool quick) {
    FakeDig dig;
    FakeDig::Answer answer;
    answer.hang = true;
    dig.setAnswer(answer);
    heartbeat->resume();

    if (quick) {
        // The watchdog itself, shortened: the store uses the full ten seconds.
        QElapsedTimer clock;
        clock.start();
        const QString outcome = describe(
            queryOnce(dig.program(), QStringLiteral("a.example"), std::chrono::milliseconds(300)));
        const qint64 elapsed = clock.elapsed();
        spin(100);
        const QList<qint64> pids = dig.startedPids();
        if (outcome != QLatin1String("TimedOut") || pids.size() != 1)
            return failed(QStringLiteral("hanging dig: %1 after %2 ms").arg(outcome).arg(elapsed));
        if (!processGone(pids.first()))
            return failed(QStringLiteral("hanging dig: TimedOut, but the child still runs"));
        return ok(QStringLiteral("hanging dig: TimedOut after %1 ms (watchdog 300 ms); "
                                 "the child was killed and reaped")
                      .arg(elapsed));
    }

    Config config;
    const QList<Watch> saved = makeWatches({QStringLiteral("a.example")});
    heartbeat->pause();
    config.save(saved);
    heartbeat->resume();
    QElapsedTimer clock;
    clock.start();
    StoreRun run(config, dig.program());
    if (!run.launchChecksDone(30000))
        return failed(QStringLiteral("hanging dig: the check never ended"));
    const qint64 elapsed = clock.elapsed();
    spin(100);
    const QList<qint64> pids = dig.startedPids();
    int running = 0;
    for (qint64 pid : pids)
        running += processGone(pid) ? 0 : 1;
    const QString lost = lostWatches(saved, run, config);
    if (!lost.isEmpty())
        return failed(lost);
    if (run.failedResults() != 4 || running > 0)
        return failed(QStringLiteral("hanging dig: %1 of 4 results failed, %2 children still run")
                          .arg(run.failedResults())
                          .arg(running));
    return ok(QStringLiteral("hanging dig: all 4 results failed after %1 ms (watchdog %2 ms); "
                             "all %3 children killed")
                  .arg(elapsed)
                  .arg(DigRunner::watchdogTimeout.count())
                  .arg(pids.size()));
}

Verdict digFloods(bool quick) {
    // 50-byte lines: one value each.
    const QByteArray line = "192.0.2.1 " + QByteArray(39, 'x');
    const int megabytes = quick ? 5 : 50;
    const int lines = megabytes * 1024 * 1024 / 50;
    FakeDig dig;
    FakeDig::Answer answer;
    answer.output = line + '\n';
    answer.repeat = lines;
    dig.setAnswer(answer);
    heartbeat->resume();

    if (quick) {
        const auto outcome =
            queryOnce(dig.program(), QStringLiteral("a.example"), DigRunner::watchdogTimeout);
        const auto* values = outcome ? std::get_if<QStringList>(&*outcome) : nullptr;
        if (!values || values->size() != lines)
            return failed(
                QStringLiteral("%1 MB of output: %2").arg(megabytes).arg(describe(outcome)));
        return ok(QStringLiteral("%1 MB of output: success with %2 values; peak memory %3 MiB")
                      .arg(megabytes)
                      .arg(values->size())
                      .arg(peakResidentMiB()));
    }

    Config config;
    const QList<Watch> saved = makeWatches({QStringLiteral("a.example")});
    heartbeat->pause();
    config.save(saved);
    heartbeat->resume();
    QElapsedTimer clock;
    clock.start();
    StoreRun run(config, dig.program());
    if (!run.launchChecksDone(120000))
        return failed(
            QStringLiteral("%1 MB from each resolver: the check never ended").arg(megabytes));
    const qint64 elapsed = clock.elapsed();
    const QString lost = lostWatches(saved, run, config);
    if (!lost.isEmpty())
        return failed(lost);
    // Whole or failed are both sound; a result cut short is not. A result can
    // fail here when the watchdog fires while the loop is busy with another.
    int whole = 0;
    int failedCount = 0;
    for (const ResolverResult& r : run.store->results().value(saved.first().id)) {
        whole += (!r.failed && r.values.size() == lines) ? 1 : 0;
        failedCount += r.failed ? 1 : 0;
    }
    if (whole + failedCount != 4)
        return failed(QStringLiteral("%1 MB from each resolver: %2 results cut short")
                          .arg(megabytes)
                          .arg(4 - whole - failedCount));
    return ok(QStringLiteral("%1 MB from each of 4 resolvers: %2 results hold all %3 values, %4 "
                             "failed, after %5 ms; peak memory %6 MiB")
                  .arg(megabytes)
                  .arg(whole)
                  .arg(lines)
                  .arg(failedCount)
                  .arg(elapsed)
                  .arg(peakResidentMiB()));
}

Verdict digInvalidUtf8(bool) {
    FakeDig dig;
    FakeDig::Answer answer;
    answer.output = QByteArray("\xff\xfe"
                               "192.0.2.1\n\xc3\n");
    dig.setAnswer(answer);
    Config config;
    const QList<Watch> saved = makeWatches({QStringLiteral("a.example")});
    config.save(saved);
    heartbeat->resume();

    const QString direct =
        describe(queryOnce(dig.program(), QStringLiteral("a.example"), DigRunner::watchdogTimeout));
    StoreRun run(config, dig.program());
    if (!run.launchChecksDone(30000))
        return failed(QStringLiteral("invalid UTF-8: the check never ended"));
    const QString lost = lostWatches(saved, run, config);
    if (!lost.isEmpty())
        return failed(lost);
    const Watch& w = run.store->watches().first();
    int problems = 0;
    for (const Resolver& resolver : Resolver::all())
        problems += run.store->status(w, resolver) == ResolverStatus::Problem ? 1 : 0;
    if (direct != QLatin1String("success with 0 values") || run.failedResults() != 0
        || problems != 4 || run.store->isSettled(w))
        return failed(
            QStringLiteral("invalid UTF-8: query gave %1, %2 problems").arg(direct).arg(problems));
    return ok(QStringLiteral("invalid UTF-8: query succeeds with no values; the watch shows a "
                             "problem at all 4 resolvers and stays pending"));
}

Verdict digKilledBySignal(bool) {
    FakeDig dig;
    FakeDig::Answer answer;
    answer.output = "192.0.2.1\n";
    answer.signal = "SEGV";
    dig.setAnswer(answer);
    Config config;
    const QList<Watch> saved = makeWatches({QStringLiteral("a.example")});
    config.save(saved);
    heartbeat->resume();

    const QString direct =
        describe(queryOnce(dig.program(), QStringLiteral("a.example"), DigRunner::watchdogTimeout));
    StoreRun run(config, dig.program());
    if (!run.launchChecksDone(30000))
        return failed(QStringLiteral("dig killed by SIGSEGV: the check never ended"));
    const QString lost = lostWatches(saved, run, config);
    if (!lost.isEmpty())
        return failed(lost);
    if (direct != QLatin1String("Crashed") || run.failedResults() != 4)
        return failed(QStringLiteral("dig killed by SIGSEGV: query gave %1, %2 of 4 failed")
                          .arg(direct)
                          .arg(run.failedResults()));
    return ok(QStringLiteral("dig killed by SIGSEGV after printing an answer: query Crashed; "
                             "all 4 results failed, the printed answer unused"));
}

// --- Scenarios: options and sizes in the saved list --------------------------

Verdict optionLikeDomains(bool) {
    const QStringList hostile{
        QStringLiteral("-f/etc/passwd"),
        QStringLiteral("+tcp"),
        QStringLiteral("@192.0.2.53"),
        QStringLiteral("-x.example"),
        QStringLiteral("+short.example"),
        QStringLiteral("@ns.example"),
        QStringLiteral("-q=a.example"),
        QStringLiteral("-"),
        QStringLiteral(""),
        QStringLiteral("a.example -f/etc/passwd"),
    };
    FakeDig dig;
    FakeDig::Answer answer;
    answer.output = "192.0.2.1\n";
    dig.setAnswer(answer);
    Config config;
    QStringList domains = hostile;
    domains.append(QStringLiteral("ok.example"));
    QList<Watch> saved = makeWatches(domains);
    config.save(saved);
    heartbeat->resume();

    StoreRun run(config, dig.program());
    if (!run.launchChecksDone(30000))
        return failed(QStringLiteral("option-like domains: the launch checks never ended"));
    // add() takes whatever it is given; the runner is what stands in the way.
    run.store->add(QStringLiteral("-f/etc/shadow"), RecordType::TXT, std::nullopt);
    run.store->add(QStringLiteral("+vc"), RecordType::MX, std::nullopt);
    if (!run.launchChecksDone(30000))
        return failed(
            QStringLiteral("option-like domains: the checks of added watches never ended"));
    saved = run.store->watches();

    const QList<QStringList> calls = dig.calls();
    for (const QStringList& call : calls) {
        if (!call.contains(QLatin1String("ok.example")))
            return failed(
                QStringLiteral("option-like domains: dig was run as: %1").arg(call.join(u' ')));
    }
    const QString lost = lostWatches(saved, run, config);
    if (!lost.isEmpty())
        return failed(lost);
    const int hostileResults = (static_cast<int>(hostile.size()) + 2) * 4;
    if (calls.size() != 4 || run.failedResults() != hostileResults)
        return failed(QStringLiteral("option-like domains: %1 dig calls, %2 failed results")
                          .arg(calls.size())
                          .arg(run.failedResults()));
    return ok(QStringLiteral("%1 option-like domains never reached dig (its only 4 calls were for "
                             "ok.example); their %2 results failed; all %3 watches kept")
                  .arg(hostile.size() + 2)
                  .arg(hostileResults)
                  .arg(saved.size()));
}

Verdict tenThousandWatches(bool quick) {
    constexpr int count = 10'000;
    Config config;
    const QList<Watch> saved = makeWatches(numberedDomains(count));
    config.save(saved);
    FakeDig dig;
    FakeDig::Answer answer;
    answer.output = "192.0.2.1\n";
    dig.setAnswer(answer);
    heartbeat->resume();

    QElapsedTimer clock;
    clock.start();
    auto run = std::make_unique<StoreRun>(config, dig.program());
    if (run->store->watches() != saved)
        return failed(
            QStringLiteral("10 000 watches: %1 loaded").arg(run->store->watches().size()));

    if (quick) {
        spin(500);
        const int checked = static_cast<int>(run->store->results().size());
        run->store->add(QStringLiteral("extra.example"), RecordType::A, std::nullopt);
        run->store->remove(run->store->watches().last().id);
        const qint64 loadMs = run->constructionMs;
        const qint64 launchPassMs = run->launchPassMs;
        // Thousands of queries are still queued or running: the store goes
        // away with them.
        run.reset();
        if (!config.holds(saved))
            return failed(QStringLiteral("10 000 watches: the saved list changed"));
        return ok(QStringLiteral("10 000 watches: loaded in %1 ms; the pass that starts their "
                                 "checks held the loop %2 ms; %3 checked in 500 ms; added and "
                                 "removed one, store destroyed mid-check; list intact")
                      .arg(loadMs)
                      .arg(launchPassMs)
                      .arg(checked));
    }

    // Every resolver agrees, so every watch settles and is saved once.
    const qint64 limitMs = 120'000;
    const bool finished = waitFor(
        [&] { return run->store->pendingCount() == 0 && run->store->isChecking().isEmpty(); },
        limitMs);
    const qint64 elapsed = clock.elapsed();
    const int settled = count - run->store->pendingCount();
    const TimedSettings& s = run->settings;
    const QString figures =
        QStringLiteral("loaded in %7 ms, the pass that starts their checks held the loop %8 ms; "
                       "%1 of %2 watches settled in %3 s; %4 saves of the whole list, "
                       "%5 ms each on average, slowest %6 ms")
            .arg(settled)
            .arg(count)
            .arg(elapsed / 1000)
            .arg(s.saves)
            .arg(s.saves ? s.totalMs / s.saves : 0)
            .arg(s.slowestMs)
            .arg(run->constructionMs)
            .arg(run->launchPassMs);
    const QList<Watch> now = run->store->watches();
    run.reset();
    if (now.size() != count || !config.holds(now))
        return failed(QStringLiteral("10 000 watches: the saved list does not match; ") + figures);
    return ok(QStringLiteral("10 000 watches: ") + figures
              + (finished ? QString() : QStringLiteral(" (stopped at the time limit)")));
}

Verdict deepJson(bool) {
    Config config;
    const QByteArray deep = QByteArray(100'000, '[') + QByteArray(100'000, ']');
    config.save(deep);
    heartbeat->resume();

    StoreRun run(config, QStringLiteral("/nonexistent/quello/dig"));
    if (!run.store->watches().isEmpty())
        return failed(
            QStringLiteral("deep nesting: %1 watches read").arg(run.store->watches().size()));
    run.store->add(QStringLiteral("a.example"), RecordType::A, std::nullopt);
    if (config.onDisk(DigStore::unreadableKey).rawHash != sha1(deep))
        return failed(QStringLiteral("deep nesting: the unreadable list was not kept"));
    if (!config.holds(run.store->watches()))
        return failed(QStringLiteral("deep nesting: the next save did not replace the list"));

    // Deep, but inside a key that is ignored: still one readable watch.
    const QByteArray element = WatchListCodec::encode(makeWatches({QStringLiteral("b.example")}));
    const QByteArray nested = element.left(element.size() - 2) + ",\"x\":" + QByteArray(500, '[')
                              + QByteArray(500, ']') + "}]";
    const std::optional<QList<Watch>> ignored = WatchListCodec::decode(nested);
    if (!ignored || ignored->size() != 1)
        return failed(
            QStringLiteral("nesting 500 deep in an unknown key made the list unreadable"));
    return ok(QStringLiteral("100 000 levels of nesting: unreadable, no crash; kept under %1 "
                             "and replaced by the next save; 500 levels in an unknown key are "
                             "ignored")
                  .arg(DigStore::unreadableKey));
}

Verdict hugeValue(bool quick) {
    const qsizetype megabytes = quick ? 10 : 100;
    Config config;
    QList<Watch> saved = makeWatches({QStringLiteral("a.example")});
    saved.first().expected = QString(megabytes * 1024 * 1024, u'x');
    config.save(saved);
    FakeDig dig;
    FakeDig::Answer answer;
    answer.output = "192.0.2.1\n";
    dig.setAnswer(answer);
    heartbeat->resume();

    QElapsedTimer clock;
    clock.start();
    StoreRun run(config, dig.program());
    const qint64 loadMs = clock.elapsed();
    if (!run.launchChecksDone(60000))
        return failed(QStringLiteral("%1 MB value: the check never ended").arg(megabytes));
    const bool settled = run.store->isSettled(run.store->watches().first());
    clock.restart();
    run.store->add(QStringLiteral("b.example"), RecordType::A, std::nullopt);
    const qint64 saveMs = clock.elapsed();
    if (!run.launchChecksDone(60000))
        return failed(QStringLiteral("%1 MB value: the second check never ended").arg(megabytes));
    saved = run.store->watches();
    const QString lost = lostWatches(saved, run, config);
    if (!lost.isEmpty())
        return failed(lost);
    if (settled || saved.size() != 2 || saved.first().expected->size() != megabytes * 1024 * 1024)
        return failed(QStringLiteral("%1 MB value: the watch changed").arg(megabytes));
    return ok(QStringLiteral("%1 MB expected value: loaded in %2 ms, saved in %3 ms, kept whole, "
                             "no match; peak memory %4 MiB")
                  .arg(megabytes)
                  .arg(loadMs)
                  .arg(saveMs)
                  .arg(peakResidentMiB()));
}

// --- Scenarios: the settings file --------------------------------------------

// Bind-mounts `dir` read-only in a mount namespace of this process alone.
// Root can write anywhere, so permissions alone would test nothing.
bool makeReadOnly(const QString& dir, QString& how) {
    if (::geteuid() != 0) {
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                       | QFile::ExeGroup);
        how = QStringLiteral("mode 0550");
        return true;
    }
    const QByteArray path = QFile::encodeName(dir);
    if (::unshare(CLONE_NEWNS) != 0
        || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
        || ::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0
        || ::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr)
               != 0)
        return false;
    how = QStringLiteral("read-only bind mount");
    return true;
}

void undoReadOnly(const QString& dir) {
    if (::geteuid() != 0)
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    else
        ::umount2(QFile::encodeName(dir).constData(), MNT_DETACH);
}

Verdict readOnlyConfig(bool) {
    Config config;
    const QList<Watch> saved = makeWatches(
        {QStringLiteral("a.example"), QStringLiteral("b.example"), QStringLiteral("c.example")});
    config.save(saved);
    QString how;
    if (!makeReadOnly(config.dir, how))
        return skipped(QStringLiteral("read-only config: no mount namespace here"));
    struct Undo {
        QString dir;
        ~Undo() { undoReadOnly(dir); }
    } undo{config.dir};
    heartbeat->resume();

    StoreRun run(config, QStringLiteral("/nonexistent/quello/dig"));
    if (run.store->watches() != saved)
        return failed(QStringLiteral("read-only config: the list did not load"));
    const bool added = run.store->add(QStringLiteral("d.example"), RecordType::A, std::nullopt);
    run.store->remove(saved.first().id);
    if (!added || run.store->watches().size() != 3)
        return failed(QStringLiteral("read-only config: add or remove misbehaved in memory"));
    if (!config.holds(saved))
        return failed(
            QStringLiteral("read-only config: the file no longer holds the earlier list"));
    const QStringList leftovers =
        QDir(config.dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    return ok(QStringLiteral("read-only config (%1): %2 saves tried, none reached the disk and "
                             "none was reported; the file kept its 3 watches whole; the change "
                             "lives in memory only; files in the folder: %3")
                  .arg(how)
                  .arg(run.settings.saves)
                  .arg(leftovers.join(QStringLiteral(", "))));
}

// A lock file left empty by a writer killed between creating and filling it.
Verdict staleSettingsLock(bool quick) {
    Config config;
    const QList<Watch> saved = makeWatches({QStringLiteral("a.example")});
    config.save(saved);
    const QString lock = config.file + QStringLiteral(".lock");
    QFile lockFile(lock);
    if (!lockFile.open(QIODevice::WriteOnly))
        return skipped(QStringLiteral("cannot write the lock file"));
    lockFile.close();
    // Quick: a lock that is 27 s old already, so a wait has at most 3 s to go.
    if (quick) {
        const time_t then = ::time(nullptr) - 27;
        const utimbuf times{then, then};
        ::utime(QFile::encodeName(lock).constData(), &times);
    }
    heartbeat->resume();

    StoreRun run(config, QStringLiteral("/nonexistent/quello/dig"));
    QElapsedTimer clock;
    clock.start();
    run.store->add(QStringLiteral("b.example"), RecordType::A, std::nullopt);
    const qint64 blockedMs = clock.elapsed();
    if (!config.holds(run.store->watches()))
        return failed(QStringLiteral("stale settings lock: the added watch was not saved"));
    // Saving is a few milliseconds; a second means the save waited for the lock.
    if (blockedMs > 1000)
        return failed(QStringLiteral("stale settings lock: one save held the event loop for %1 ms")
                          .arg(blockedMs));
    return ok(QStringLiteral("stale settings lock: saved in %1 ms").arg(blockedMs));
}

// --- Scenarios: notifications ------------------------------------------------

Verdict notifyWithoutBus(const QString& address, const QString& what, qint64 settleMs) {
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    heartbeat->resume();
    QElapsedTimer clock;
    clock.start();
    DesktopNotifier notifier;
    const qint64 constructionMs = clock.elapsed();
    int fallbacks = 0;
    notifier.setFallback([&fallbacks](const QString&, const QString&) { ++fallbacks; });
    notifier.requestPermission();
    for (int i = 0; i < 10; ++i)
        notifier.notify(QUuid::createUuid(), QStringLiteral("a.example A propagated"),
                        QStringLiteral("All resolvers now return 192.0.2.1"));
    spin(settleMs);
    return ok(QStringLiteral("%1: the notifier was built in %2 ms; 10 notifications, %3 shown "
                             "through the fallback")
                  .arg(what)
                  .arg(constructionMs)
                  .arg(fallbacks));
}

Verdict noSessionBus(bool) {
    return notifyWithoutBus(QStringLiteral("unix:path=/nonexistent/quello/bus"),
                            QStringLiteral("no session bus"), 300);
}

// A bus address where something accepts the connection and never speaks.
Verdict silentSessionBus(bool) {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("bus")));
    // Listening is enough: the kernel completes the connection, nobody reads.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd < 0 || static_cast<size_t>(path.size()) >= sizeof address.sun_path)
        return skipped(QStringLiteral("no local socket"));
    std::copy(path.cbegin(), path.cend(), address.sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::listen(fd, 16) != 0) {
        ::close(fd);
        return skipped(QStringLiteral("cannot listen on a local socket"));
    }
    Verdict verdict =
        notifyWithoutBus(QStringLiteral("unix:path=") + QFile::decodeName(path),
                         QStringLiteral("session bus that accepts and never answers"), 300);
    ::close(fd);
    return verdict;
}

Verdict silentNotificationServer(bool quick) {
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
        return skipped(QStringLiteral("no dbus-daemon"));
    PrivateBus bus;
    if (!bus.isRunning())
        return skipped(bus.errorString());
    FakeNotificationServer server(bus.connect(QStringLiteral("server")));
    if (!server.start())
        return skipped(QStringLiteral("the fake server did not start"));
    server.setMode(FakeNotificationServer::Mode::NeverReply);
    auto notifier = std::make_unique<DesktopNotifier>(bus.connect(QStringLiteral("client")));
    int fallbacks = 0;
    notifier->setFallback([&fallbacks](const QString&, const QString&) { ++fallbacks; });
    heartbeat->resume();

    constexpr int count = 20;
    for (int i = 0; i < count; ++i)
        notifier->notify(QUuid::createUuid(), QStringLiteral("a.example A propagated"),
                         QStringLiteral("All resolvers now return 192.0.2.1"));
    if (!waitFor([&] { return server.notifyCalls.size() == count; }, 5000))
        return failed(QStringLiteral("silent server: %1 of %2 calls arrived")
                          .arg(server.notifyCalls.size())
                          .arg(count));
    if (quick) {
        // Calls still open when the notifier goes away.
        notifier.reset();
        spin(200);
        return ok(QStringLiteral("silent notification server: %1 calls open, the notifier "
                                 "destroyed while waiting; nothing blocked")
                      .arg(count));
    }
    spin(DesktopNotifier::callTimeoutMs + 1000);
    const int answered = static_cast<int>(std::count_if(
        server.notifyCalls.cbegin(), server.notifyCalls.cend(),
        [](const FakeNotificationServer::NotifyCall& c) { return c.answeredId != 0; }));
    return ok(QStringLiteral("silent notification server: %1 calls sent, %2 answered, given up "
                             "after %3 ms, %4 fallbacks; nothing blocked")
                  .arg(count)
                  .arg(answered)
                  .arg(DesktopNotifier::callTimeoutMs)
                  .arg(fallbacks));
}

// --- Main --------------------------------------------------------------------

const std::map<QString, Verdict (*)(bool)>& scenarios() {
    static const std::map<QString, Verdict (*)(bool)> all{
        {QStringLiteral("dig-missing"), digMissing},
        {QStringLiteral("dig-not-executable"), digNotExecutable},
        {QStringLiteral("dig-hangs"), digHangs},
        {QStringLiteral("dig-prints-50mb"), digFloods},
        {QStringLiteral("dig-invalid-utf8"), digInvalidUtf8},
        {QStringLiteral("dig-killed-by-signal"), digKilledBySignal},
        {QStringLiteral("no-session-bus"), noSessionBus},
        {QStringLiteral("silent-session-bus"), silentSessionBus},
        {QStringLiteral("silent-notification-server"), silentNotificationServer},
        {QStringLiteral("read-only-config"), readOnlyConfig},
        {QStringLiteral("stale-settings-lock"), staleSettingsLock},
        {QStringLiteral("option-like-domains"), optionLikeDomains},
        {QStringLiteral("ten-thousand-watches"), tenThousandWatches},
        {QStringLiteral("deep-json"), deepJson},
        {QStringLiteral("hundred-mb-value"), hugeValue},
    };
    return all;
}

QByteArray hungLine;

extern "C" void reportHang(int) {
    // Only async-signal-safe calls here.
    [[maybe_unused]] const ssize_t written =
        ::write(STDOUT_FILENO, hungLine.constData(), static_cast<size_t>(hungLine.size()));
    ::_exit(1);
}

} // namespace

int main(int argc, char** argv) {
    // No bus of the user's is ever touched; scenarios that want one set it.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quello/bus");
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("--read"))
        return printOnDisk(args[1], args[2]);
    if (args.value(0) == QLatin1String("--list")) {
        for (const auto& [name, run] : scenarios())
            std::printf("%s\n", qPrintable(name));
        return 0;
    }
    const auto found = scenarios().find(args.value(0));
    if (found == scenarios().end()) {
        std::fprintf(stderr, "usage: faultdriver SCENARIO [--quick] | --list\n");
        return 2;
    }
    const bool quick = args.contains(QLatin1String("--quick"));

    // A hang that holds the event loop cannot be caught from the loop itself.
    hungLine = found->first.toUtf8()
               + ": FAIL: hung: the scenario held the event loop past its "
                 "time limit; worst heartbeat lateness unknown\n";
    std::signal(SIGALRM, reportHang);
    const bool busMayHang = found->first == QLatin1String("silent-session-bus");
    ::alarm(busMayHang ? 40 : quick ? 100 : 900);

    Heartbeat beat;
    heartbeat = &beat;
    const Verdict verdict = found->second(quick);
    beat.pause();

    const char* kind = verdict.kind == Verdict::Kind::Ok       ? "ok"
                       : verdict.kind == Verdict::Kind::Failed ? "FAIL"
                                                               : "skipped";
    std::printf("%s: %s: %s; worst heartbeat lateness %lld ms\n", qPrintable(found->first), kind,
                qPrintable(verdict.text), static_cast<long long>(beat.worstLatenessMs()));
    std::fflush(stdout);
    return verdict.kind == Verdict::Kind::Ok ? 0 : verdict.kind == Verdict::Kind::Failed ? 1 : 77;
}

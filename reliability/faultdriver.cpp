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

// A 100 ms timer on the event loop; a tick that comes late means something
// held the loop for that long. Setup and verifying pause it: they are not
// the subject's fault.
class Heartbeat {
public:
    static constexpr qint64 periodMs = 100;

    Heartbeat() {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_clock.start();
    }
    void pause() {
        if (m_timer.isActive())
            tick();
        m_timer.stop();
    }
    void resume() {
        m_last = m_clock.elapsed();
        m_timer.start(periodMs);
    }
    qint64 worstLatenessMs() const { return std::max<qint64>(m_worst, 0); }

private:
    void tick() {
        const qint64 now = m_clock.elapsed();
        m_worst = std::max(m_worst, now - m_last - periodMs);
        m_last = now;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_worst = 0;
};

Heartbeat* heartbeat = nullptr;

// Runs the event loop until `done` holds or `timeoutMs` has passed.
bool waitFor(const std::function<bool()>& done, qint64 timeoutMs) {
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > timeoutMs)
            loop.quit();
    });
    poll.start(5);
    if (!done())
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
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() / 1024;
    return -1;
}

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

QList<Watch> makeWatches(const QStringList& domains) {
    QList<Watch> watches;
    for (qsizetype i = 0; i < domains.size(); ++i)
        watches.append(Watch{QUuid::createUuid(), domains[i], RecordType::A, std::nullopt,
                             700'000'000.0 + static_cast<double>(i), std::nullopt});
    return watches;
}

QList<Watch> threeWatches() {
    return makeWatches(
        {QStringLiteral("a.example"), QStringLiteral("b.example"), QStringLiteral("c.example")});
}

QByteArray sha1(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}

// What another process finds under one key of a settings file. Read in a
// child: QSettings keeps files it has seen in a per-process cache, unsaved
// changes included, so a reader in this process could see what never reached
// the disk.
struct OnDisk {
    QByteArray rawHash;
    qsizetype watchCount = -1; // -1: not a readable list
    QByteArray listHash;       // of the list encoded again
};

OnDisk readInChild(const QString& file, const QString& key) {
    QProcess reader;
    reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    reader.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--read"), file, key});
    reader.waitForFinished(120000);
    const QList<QByteArray> fields = reader.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 3)
        return {};
    return OnDisk{fields[0], fields[1].toLongLong(), fields[2]};
}

int printOnDisk(const QString& file, const QString& key) {
    const std::optional<QByteArray> bytes = IniSettingsStore(file).value(key);
    if (!bytes)
        return std::printf("absent\n") < 0;
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

// The real store on the real settings file, a dig of the scenario's choice,
// no notifications and the system clock.
struct StoreRun {
    IniSettingsStore settings;
    FakeNotifier notifier;
    SystemClock clock;
    std::unique_ptr<DigStore> store;

    StoreRun(const Config& config, const QString& digProgram)
        : settings(config.file) {
        store = std::make_unique<DigStore>(
            StoreServices{.settings = settings,
                          .notifier = notifier,
                          .clock = clock,
                          .digProgram = digProgram,
                          .maxConcurrentQueries = DigQueue::defaultMaxRunning});
    }

    bool launchChecksDone(qint64 timeoutMs = 30000) {
        return waitFor(
            [this] {
                return store->results().size() == store->watches().size()
                       && store->isChecking().isEmpty();
            },
            timeoutMs);
    }

    int failedResults() const {
        int count = 0;
        for (const DigStore::ResultMap& results : store->results())
            for (const ResolverResult& r : results)
                count += r.failed ? 1 : 0;
        return count;
    }
};

// Saves `saved` and starts a store on it, with the heartbeat running.
std::unique_ptr<StoreRun> launch(Config& config, const QList<Watch>& saved, const QString& dig) {
    config.save(saved);
    heartbeat->resume();
    return std::make_unique<StoreRun>(config, dig);
}

// One query straight through the runner, waited for on the event loop,
// described in a word: "LaunchFailed", "success with 3 values", ...
QString queryOnce(const QString& program,
                  std::chrono::milliseconds timeout = DigRunner::watchdogTimeout,
                  QStringList* values = nullptr) {
    QObject context;
    std::optional<DigRunner::Outcome> outcome;
    DigRunner::query(
        program, QStringLiteral("a.example"), RecordType::A, std::nullopt, &context,
        [&outcome](const DigRunner::Outcome& o) { outcome = o; }, timeout);
    waitFor([&] { return outcome.has_value(); }, 30000);
    if (!outcome)
        return QStringLiteral("no outcome");
    if (const auto* found = std::get_if<DigRunner::Answer>(&*outcome)) {
        if (values)
            *values = found->values;
        return QStringLiteral("success with %1 values").arg(found->values.size());
    }
    const DigRunner::Failure failure = std::get<DigRunner::Failure>(*outcome);
    static const char* const names[]{"LaunchFailed", "ExitStatus",    "Crashed",
                                     "TimedOut",     "InvalidDomain", "OutputTooLarge"};
    return QLatin1String(names[static_cast<int>(failure.reason)]);
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
    if (!config.holds(now))
        return QStringLiteral("the saved list no longer reads back as the %1 watches in the store")
            .arg(now.size());
    return {};
}

// --- dig ---------------------------------------------------------------------

Verdict digMissing(bool) {
    const QString program = QStringLiteral("/nonexistent/quello/dig");
    Config config;
    const QList<Watch> saved = threeWatches();
    const auto run = launch(config, saved, program);
    const QString direct = queryOnce(program);
    if (!run->launchChecksDone())
        return failed(QStringLiteral("no dig: the launch checks never ended"));
    const QString lost = lostWatches(saved, *run, config);
    if (!lost.isEmpty())
        return failed(lost);
    if (direct != QLatin1String("LaunchFailed") || run->failedResults() != 12)
        return failed(QStringLiteral("no dig: query gave %1, %2 of 12 results failed")
                          .arg(direct)
                          .arg(run->failedResults()));
    return ok(QStringLiteral("no dig: query fails with LaunchFailed; all 12 results failed; "
                             "3 watches kept"));
}

Verdict digHangs(bool quick) {
    FakeDig dig;
    dig.setAnswer({.hang = true});
    heartbeat->resume();
    // The quick run shortens the watchdog; the store uses the full one.
    const std::chrono::milliseconds watchdog =
        quick ? std::chrono::milliseconds(300) : DigRunner::watchdogTimeout;
    QElapsedTimer clock;
    clock.start();
    const QString outcome = queryOnce(dig.program(), watchdog);
    const qint64 elapsed = clock.elapsed();
    spin(100);
    const QList<qint64> pids = dig.startedPids();
    const bool reaped = pids.size() == 1 && processGone(pids[0]);
    if (outcome != QLatin1String("TimedOut") || !reaped)
        return failed(QStringLiteral("hanging dig: %1 after %2 ms, %3 children, reaped: %4")
                          .arg(outcome)
                          .arg(elapsed)
                          .arg(pids.size())
                          .arg(reaped));
    return ok(QStringLiteral("hanging dig: TimedOut after %1 ms (watchdog %2 ms); "
                             "the child was killed and reaped")
                  .arg(elapsed)
                  .arg(watchdog.count()));
}

Verdict digFloods(bool quick) {
    // 50-byte lines, far beyond any resolver's answer: the child is stopped
    // at the output cap, and nothing cut short passes for an answer.
    const int megabytes = quick ? 5 : 50;
    const int lines = megabytes * 1024 * 1024 / 50;
    FakeDig dig;
    dig.setAnswer({.output = "192.0.2.1 " + QByteArray(39, 'x') + '\n', .repeat = lines});
    heartbeat->resume();
    const QString outcome = queryOnce(dig.program());
    if (outcome != QLatin1String("OutputTooLarge"))
        return failed(QStringLiteral("%1 MB of output: %2").arg(megabytes).arg(outcome));
    return ok(QStringLiteral("%1 MB of output: %2; peak memory %3 MiB")
                  .arg(megabytes)
                  .arg(outcome)
                  .arg(peakResidentMiB()));
}

Verdict digInvalidUtf8(bool) {
    FakeDig dig;
    dig.setAnswer({.output = QByteArray("\xff\xfe"
                                        "192.0.2.1\n\xc3\n")});
    Config config;
    const QList<Watch> saved = makeWatches({QStringLiteral("a.example")});
    const auto run = launch(config, saved, dig.program());
    const QString direct = queryOnce(dig.program());
    if (!run->launchChecksDone())
        return failed(QStringLiteral("invalid UTF-8: the check never ended"));
    const Watch& w = run->store->watches().first();
    int problems = 0;
    for (const Resolver& resolver : Resolver::all())
        problems += run->store->status(w, resolver) == ResolverStatus::Problem ? 1 : 0;
    const bool settled = run->store->isSettled(w);
    const QString lost = lostWatches(saved, *run, config);
    if (!lost.isEmpty())
        return failed(lost);
    if (direct != QLatin1String("success with 0 values") || run->failedResults() != 0
        || problems != 4 || settled)
        return failed(
            QStringLiteral("invalid UTF-8: query gave %1, %2 problems").arg(direct).arg(problems));
    return ok(QStringLiteral("invalid UTF-8: query succeeds with no values; the watch shows a "
                             "problem at all 4 resolvers and stays pending"));
}

Verdict digKilledBySignal(bool) {
    FakeDig dig;
    dig.setAnswer({.output = "192.0.2.1\n", .signal = "SEGV"});
    Config config;
    const QList<Watch> saved = makeWatches({QStringLiteral("a.example")});
    const auto run = launch(config, saved, dig.program());
    const QString direct = queryOnce(dig.program());
    if (!run->launchChecksDone())
        return failed(QStringLiteral("dig killed by SIGSEGV: the check never ended"));
    const QString lost = lostWatches(saved, *run, config);
    if (!lost.isEmpty())
        return failed(lost);
    if (direct != QLatin1String("Crashed") || run->failedResults() != 4)
        return failed(QStringLiteral("dig killed by SIGSEGV: query gave %1, %2 of 4 failed")
                          .arg(direct)
                          .arg(run->failedResults()));
    return ok(QStringLiteral("dig killed by SIGSEGV after printing an answer: query Crashed; "
                             "all 4 results failed, the printed answer unused"));
}

// --- The saved list ------------------------------------------------------------

Verdict optionLikeDomains(bool) {
    const QStringList hostile{
        QStringLiteral("-f/etc/passwd"),
        QStringLiteral("+tcp"),
        QStringLiteral("@192.0.2.53"),
        QStringLiteral("-q=a.example"),
        QStringLiteral(""),
        QStringLiteral("-"),
        QStringLiteral("a.example -f/etc/passwd"),
    };
    FakeDig dig;
    dig.setAnswer({.output = "192.0.2.1\n"});
    Config config;
    const auto run = launch(
        config, makeWatches(hostile + QStringList{QStringLiteral("ok.example")}), dig.program());
    if (!run->launchChecksDone())
        return failed(QStringLiteral("option-like domains: the launch checks never ended"));
    // add() takes whatever it is given; the runner is what stands in the way.
    run->store->add(QStringLiteral("-f/etc/shadow"), RecordType::TXT, std::nullopt);
    run->store->add(QStringLiteral("+vc"), RecordType::MX, std::nullopt);
    if (!run->launchChecksDone())
        return failed(
            QStringLiteral("option-like domains: the checks of added watches never ended"));

    const QList<QStringList> calls = dig.calls();
    for (const QStringList& call : calls)
        if (!call.contains(QLatin1String("ok.example")))
            return failed(
                QStringLiteral("option-like domains: dig was run as: %1").arg(call.join(u' ')));
    const QList<Watch> saved = run->store->watches();
    const QString lost = lostWatches(saved, *run, config);
    if (!lost.isEmpty())
        return failed(lost);
    const int hostileResults = (static_cast<int>(hostile.size()) + 2) * 4;
    // The four resolvers' and the first question about ok.example's zone.
    if (dig.resolverCalls().size() != 4 || run->failedResults() != hostileResults)
        return failed(QStringLiteral("option-like domains: %1 dig calls, %2 failed results")
                          .arg(calls.size())
                          .arg(run->failedResults()));
    return ok(QStringLiteral("%1 option-like domains never reached dig (its only 4 calls were for "
                             "ok.example); their %2 results failed; all %3 watches kept")
                  .arg(hostile.size() + 2)
                  .arg(hostileResults)
                  .arg(saved.size()));
}

Verdict tenThousandWatches(bool) {
    constexpr int count = 10'000;
    QStringList domains;
    for (int i = 0; i < count; ++i)
        domains.append(QStringLiteral("w%1.example").arg(i));
    const QList<Watch> saved = makeWatches(domains);
    FakeDig dig;
    // One resolver disagrees, so no watch settles and the saved list may not
    // change at all.
    dig.setAnswer({.output = "192.0.2.1\n"});
    dig.setAnswer({.output = "192.0.2.2\n"}, QStringLiteral("9.9.9.9"));
    Config config;
    auto run = launch(config, saved, dig.program());
    if (run->store->watches() != saved)
        return failed(
            QStringLiteral("10 000 watches: %1 loaded").arg(run->store->watches().size()));
    spin(500);
    const qsizetype checked = run->store->results().size();
    run->store->add(QStringLiteral("extra.example"), RecordType::A, std::nullopt);
    run->store->remove(run->store->watches().last().id);
    // Thousands of queries are still queued or running: the store goes away
    // with them.
    run.reset();
    if (!config.holds(saved))
        return failed(QStringLiteral("10 000 watches: the saved list changed"));
    return ok(QStringLiteral("10 000 watches: %1 checked in 500 ms; added and removed one, "
                             "store destroyed mid-check; list intact")
                  .arg(checked));
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
    return ok(QStringLiteral("100 000 levels of nesting: unreadable, no crash; kept under %1 "
                             "and replaced by the next save")
                  .arg(DigStore::unreadableKey));
}

Verdict hugeValue(bool quick) {
    const qsizetype megabytes = quick ? 10 : 100;
    QList<Watch> saved = makeWatches({QStringLiteral("a.example")});
    saved.first().expected = QString(megabytes * 1024 * 1024, u'x');
    FakeDig dig;
    dig.setAnswer({.output = "192.0.2.1\n"});
    Config config;
    const auto run = launch(config, saved, dig.program());
    if (!run->launchChecksDone(60000))
        return failed(QStringLiteral("%1 MB value: the check never ended").arg(megabytes));
    const bool settled = run->store->isSettled(run->store->watches().first());
    run->store->add(QStringLiteral("b.example"), RecordType::A, std::nullopt);
    if (!run->launchChecksDone(60000))
        return failed(QStringLiteral("%1 MB value: the second check never ended").arg(megabytes));
    saved = run->store->watches();
    const QString lost = lostWatches(saved, *run, config);
    if (!lost.isEmpty())
        return failed(lost);
    if (settled || saved.size() != 2 || saved.first().expected->size() != megabytes * 1024 * 1024)
        return failed(QStringLiteral("%1 MB value: the watch changed").arg(megabytes));
    return ok(QStringLiteral("%1 MB expected value: loaded and saved again, kept whole, no "
                             "match; peak memory %2 MiB")
                  .arg(megabytes)
                  .arg(peakResidentMiB()));
}

// --- The settings file ---------------------------------------------------------

// Bind-mounts `dir` read-only in a mount namespace of this process alone.
// Root can write anywhere, so permissions alone would test nothing.
bool makeReadOnly(const QString& dir, QString& how) {
    if (::geteuid() != 0) {
        how = QStringLiteral("mode 0550");
        return QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                              | QFile::ExeGroup);
    }
    const QByteArray path = QFile::encodeName(dir);
    how = QStringLiteral("read-only bind mount");
    return ::unshare(CLONE_NEWNS) == 0
           && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
           && ::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) == 0
           && ::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr)
                  == 0;
}

Verdict readOnlyConfig(bool) {
    Config config;
    const QList<Watch> saved = threeWatches();
    config.save(saved);
    QString how;
    if (!makeReadOnly(config.dir, how))
        return skipped(QStringLiteral("read-only config: no mount namespace here"));
    struct Undo {
        QString dir;
        ~Undo() {
            if (::geteuid() != 0)
                QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            else
                ::umount2(QFile::encodeName(dir).constData(), MNT_DETACH);
        }
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
    return ok(QStringLiteral("read-only config (%1): no save reached the disk or was reported; "
                             "the file kept its 3 watches whole; the change lives in memory "
                             "only; files in the folder: %2")
                  .arg(how)
                  .arg(QDir(config.dir)
                           .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)
                           .join(QStringLiteral(", "))));
}

// A lock file left empty by a writer killed between creating and filling it.
Verdict staleSettingsLock(bool quick) {
    Config config;
    config.save(makeWatches({QStringLiteral("a.example")}));
    const QByteArray lock = QFile::encodeName(config.file + QStringLiteral(".lock"));
    QFile lockFile(QFile::decodeName(lock));
    if (!lockFile.open(QIODevice::WriteOnly))
        return skipped(QStringLiteral("cannot write the lock file"));
    lockFile.close();
    // Quick: a lock that is 27 s old already, so a wait has at most 3 s to go.
    if (quick) {
        const time_t then = ::time(nullptr) - 27;
        const utimbuf times{then, then};
        ::utime(lock.constData(), &times);
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

// --- Notifications ---------------------------------------------------------------

Verdict notifyWithoutBus(const QString& address, const QString& what) {
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    heartbeat->resume();
    DesktopNotifier notifier;
    int fallbacks = 0;
    notifier.setFallback([&fallbacks](const QString&, const QString&) { ++fallbacks; });
    notifier.requestPermission();
    for (int i = 0; i < 10; ++i)
        notifier.notify(QUuid::createUuid(), QStringLiteral("a.example A propagated"),
                        QStringLiteral("All resolvers now return 192.0.2.1"));
    spin(300);
    return ok(QStringLiteral("%1: 10 notifications, %2 shown through the fallback")
                  .arg(what)
                  .arg(fallbacks));
}

Verdict noSessionBus(bool) {
    return notifyWithoutBus(QStringLiteral("unix:path=/nonexistent/quello/bus"),
                            QStringLiteral("no session bus"));
}

// A bus address where something accepts the connection and never speaks:
// listening is enough, the kernel completes the connection.
Verdict silentSessionBus(bool) {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("bus")));
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
                         QStringLiteral("session bus that accepts and never answers"));
    ::close(fd);
    return verdict;
}

Verdict silentNotificationServer(bool) {
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
    heartbeat->resume();

    constexpr int count = 20;
    for (int i = 0; i < count; ++i)
        notifier->notify(QUuid::createUuid(), QStringLiteral("a.example A propagated"),
                         QStringLiteral("All resolvers now return 192.0.2.1"));
    if (!waitFor([&] { return server.notifyCalls.size() == count; }, 5000))
        return failed(QStringLiteral("silent server: %1 of %2 calls arrived")
                          .arg(server.notifyCalls.size())
                          .arg(count));
    // Calls still open when the notifier goes away.
    notifier.reset();
    spin(200);
    return ok(QStringLiteral("silent notification server: %1 calls open, the notifier destroyed "
                             "while waiting; nothing blocked")
                  .arg(count));
}

const std::map<QString, Verdict (*)(bool)>& scenarios() {
    static const std::map<QString, Verdict (*)(bool)> all{
        {QStringLiteral("dig-missing"), digMissing},
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
    ::alarm(found->first == QLatin1String("silent-session-bus") ? 40 : quick ? 100 : 900);

    Heartbeat beat;
    heartbeat = &beat;
    const Verdict verdict = found->second(quick);
    beat.pause();

    static const char* const kinds[]{"ok", "FAIL", "skipped"};
    std::printf("%s: %s: %s; worst heartbeat lateness %lld ms\n", qPrintable(found->first),
                kinds[static_cast<int>(verdict.kind)], qPrintable(verdict.text),
                static_cast<long long>(beat.worstLatenessMs()));
    std::fflush(stdout);
    static const int statuses[]{0, 1, 77};
    return statuses[static_cast<int>(verdict.kind)];
}

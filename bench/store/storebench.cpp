// DigStore driven headless against whatever dig answers (in bench/run: the
// real dig inside the DNS lab).
//
//   quello_bench_store check [--repeat N]
//       one watch; after its launch check, N timed check() calls.
//       Prints "check_ms X" per call.
//   quello_bench_store checkall --watches N [--repeat R] [--pending-launch]
//       N settled watches; their launch check and then R more checkAll()
//       calls are timed. Prints "checkall_ms X", "failed K", "empty K",
//       "missing K" for each, then "peak_running P", "peak_fds F" (open
//       descriptors, sampled every 5 ms) and "base_fds B" (before the store).
//       With --pending-launch the watches start pending and the list lives in
//       an INI file, so the launch check settles and saves every one of them;
//       that check is printed as "launch_ms X" instead.
//   quello_bench_store write-settings N [--pending] [--domain D] [--expected V]
//       saves N watches (settled unless --pending) where Quello keeps its
//       list: the settings file under $XDG_CONFIG_HOME. --domain names the
//       one watch (N = 1), --expected gives it a value to wait for.
//
// Every option may also be given as --digprogram PATH (default /usr/bin/dig).

#include "common/quietclock.h"
#include "common/watchfactory.h"
#include "fakenotifier.h"
#include "memorysettingsstore.h"
#include "model/watchlistcodec.h"
#include "store/digstore.h"
#include "store/inisettingsstore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <memory>
#include <optional>

using namespace Quello;

namespace {

struct Options {
    QString mode;
    QStringList positional;
    int repeat = 5;
    int watches = 100;
    bool pending = false;
    QString domain;
    std::optional<QString> expected;
    int timeoutMs = 600'000;
    QString digProgram = DigRunner::defaultProgram.toString();
};

Options parse(const QStringList& args) {
    Options options;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        const auto next = [&] { return i + 1 < args.size() ? args.at(++i) : QString(); };
        if (arg == QLatin1String("--repeat"))
            options.repeat = next().toInt();
        else if (arg == QLatin1String("--watches"))
            options.watches = next().toInt();
        else if (arg == QLatin1String("--timeout"))
            options.timeoutMs = next().toInt() * 1000;
        else if (arg == QLatin1String("--domain"))
            options.domain = next();
        else if (arg == QLatin1String("--expected"))
            options.expected = next();
        else if (arg == QLatin1String("--digprogram"))
            options.digProgram = next();
        else if (arg == QLatin1String("--pending") || arg == QLatin1String("--pending-launch"))
            options.pending = true;
        else if (options.mode.isEmpty())
            options.mode = arg;
        else
            options.positional.append(arg);
    }
    return options;
}

void print(const char* key, double value) {
    std::printf("%s %.3f\n", key, value);
    std::fflush(stdout);
}

double elapsedMs(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Open descriptors of this process, not counting the one that reads them.
int openFileDescriptors() {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return -1;
    int count = 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.')
            ++count;
    }
    closedir(dir);
    return count - 1;
}

// Failed results, empty answers and resolvers without any result.
void printOutcomes(const DigStore& store, const QList<Watch>& watches) {
    int failed = 0;
    int empty = 0;
    int missing = 0;
    for (const Watch& watch : watches) {
        const DigStore::ResultMap results = store.results().value(watch.id);
        missing += static_cast<int>(Resolver::all().size()) - static_cast<int>(results.size());
        for (const ResolverResult& result : results) {
            if (result.failed)
                ++failed;
            else if (result.values.isEmpty())
                ++empty;
        }
    }
    print("failed", failed);
    print("empty", empty);
    print("missing", missing);
}

int writeSettings(const Options& options) {
    if (options.positional.size() != 1) {
        std::fprintf(stderr, "usage: write-settings N [--pending]\n");
        return 2;
    }
    QList<Watch> watches = Bench::makeWatches(options.positional.at(0).toInt(), !options.pending);
    if (!options.domain.isEmpty() && watches.size() == 1)
        watches.first().domain = options.domain;
    for (Watch& watch : watches)
        watch.expected = options.expected;
    // The application's own settings file, wherever XDG_CONFIG_HOME puts it.
    IniSettingsStore settings;
    settings.setValue(DigStore::settingsKey, WatchListCodec::encode(watches));
    return 0;
}

int checkOne(const Options& options) {
    Test::MemorySettingsStore settings;
    Test::FakeNotifier notifier;
    Bench::QuietClock clock;
    const QList<Watch> watches = Bench::makeWatches(1, true);
    settings.values.insert(DigStore::settingsKey, WatchListCodec::encode(watches));
    DigStore store(StoreServices{settings, notifier, clock, options.digProgram});
    if (!Bench::waitUntilChecked(store, options.timeoutMs))
        return 1;

    for (int round = 0; round < options.repeat; ++round) {
        QEventLoop loop;
        QElapsedTimer timer;
        timer.start();
        store.check(watches.first().id, [&] {
            print("check_ms", elapsedMs(timer));
            loop.quit();
        });
        loop.exec();
    }
    return 0;
}

int checkAll(const Options& options) {
    Test::MemorySettingsStore memory;
    QTemporaryDir dir;
    std::unique_ptr<IniSettingsStore> ini;
    SettingsStore* settings = &memory;
    const QList<Watch> watches = Bench::makeWatches(options.watches, !options.pending);
    if (options.pending) {
        // As on disk: every settle saves the whole list.
        ini = std::make_unique<IniSettingsStore>(dir.filePath(QStringLiteral("Quello.conf")));
        ini->setValue(DigStore::settingsKey, WatchListCodec::encode(watches));
        settings = ini.get();
    } else {
        memory.values.insert(DigStore::settingsKey, WatchListCodec::encode(watches));
    }
    Test::FakeNotifier notifier;
    Bench::QuietClock clock;

    const int baseFds = openFileDescriptors();
    int peakFds = baseFds;
    QTimer sampler;
    sampler.setTimerType(Qt::PreciseTimer);
    QObject::connect(&sampler, &QTimer::timeout,
                     [&peakFds] { peakFds = std::max(peakFds, openFileDescriptors()); });
    sampler.start(5);

    QElapsedTimer launch;
    launch.start();
    DigStore store(StoreServices{*settings, notifier, clock, options.digProgram});
    if (!Bench::waitUntilChecked(store, options.timeoutMs))
        return 1;
    const double launchMs = elapsedMs(launch);
    // Settled watches stay settled, so their launch check is a checkAll like
    // any other and counts as the first sample. Pending ones also settle and
    // save; that is reported apart.
    print(options.pending ? "launch_ms" : "checkall_ms", launchMs);
    printOutcomes(store, watches);

    for (int round = 0; round < options.repeat; ++round) {
        QEventLoop loop;
        QElapsedTimer timer;
        timer.start();
        store.checkAll([&] {
            print("checkall_ms", elapsedMs(timer));
            loop.quit();
        });
        loop.exec();
        printOutcomes(store, watches);
    }
    print("peak_running", store.queries().peakRunning());
    print("peak_fds", peakFds);
    print("base_fds", baseFds);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const Options options = parse(QCoreApplication::arguments());
    if (options.mode == QLatin1String("write-settings"))
        return writeSettings(options);
    if (options.mode == QLatin1String("check"))
        return checkOne(options);
    if (options.mode == QLatin1String("checkall"))
        return checkAll(options);
    std::fprintf(stderr, "usage: quello_bench_store check|checkall|write-settings ...\n");
    return 2;
}

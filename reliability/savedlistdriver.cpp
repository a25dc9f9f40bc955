// Hammers the saved watch list so that a kill at any moment can be judged.
//
//   savedlistdriver seed SETTINGS LOG         save 200 watches, start LOG at step 0
//   savedlistdriver run SETTINGS LOG DIG      load, then add and remove watches until
//                                             killed, logging every finished step
//   savedlistdriver check SETTINGS LOG        exit 0 when SETTINGS holds the list of
//                                             the last logged step or of the next one
//
// The steps are fixed, so the list after step s is known from s alone: odd
// steps append "loop<k>.example", even steps remove the first watch. A step
// is logged (one write, which a kill cannot tear) only after the store has
// saved it, so the file may be one step ahead of the log but never behind.

#include "fakenotifier.h"
#include "model/watchlistcodec.h"
#include "store/digstore.h"
#include "store/inisettingsstore.h"
#include "store/systemclock.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace Quello;

namespace {

constexpr int seedCount = 200;

QString seedDomain(qsizetype i) {
    return QStringLiteral("seed%1.example").arg(i);
}

QString loopDomain(qsizetype k) {
    return QStringLiteral("loop%1.example").arg(k);
}

// The domains of the list after `step` steps.
QStringList domainsAfter(qint64 step) {
    const qint64 added = (step + 1) / 2;
    const qint64 removed = step / 2;
    QStringList domains;
    for (qint64 i = removed; i < seedCount + added; ++i)
        domains.append(i < seedCount ? seedDomain(i) : loopDomain(i - seedCount + 1));
    return domains;
}

QByteArray fingerprint(const QList<Watch>& watches) {
    return QCryptographicHash::hash(WatchListCodec::encode(watches), QCryptographicHash::Sha1)
        .toHex();
}

struct LogEntry {
    qint64 step = -1;
    QByteArray hash;
};

LogEntry lastLogEntry(const QString& log) {
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    LogEntry last;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 2)
            last = LogEntry{fields[0].toLongLong(), fields[1]};
    }
    return last;
}

void appendLog(int fd, qint64 step, const QByteArray& hash) {
    const QByteArray line = QByteArray::number(step) + ' ' + hash + '\n';
    // One write on an O_APPEND descriptor: whole or absent after a kill.
    if (::write(fd, line.constData(), static_cast<size_t>(line.size())) != line.size())
        std::fprintf(stderr, "savedlistdriver: log write failed\n");
}

QStringList domainsOf(const QList<Watch>& watches) {
    QStringList domains;
    for (const Watch& w : watches)
        domains.append(w.domain);
    return domains;
}

int seed(const QString& settingsPath, const QString& logPath) {
    QList<Watch> watches;
    for (int i = 0; i < seedCount; ++i)
        watches.append(Watch{QUuid::createUuid(), seedDomain(i), RecordType::A, std::nullopt,
                             700'000'000.0 + i, std::nullopt});
    IniSettingsStore settings(settingsPath);
    settings.setValue(DigStore::settingsKey, WatchListCodec::encode(watches));
    QFile log(logPath);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 2;
    log.write("0 " + fingerprint(watches) + '\n');
    return 0;
}

int run(const QString& settingsPath, const QString& logPath, const QString& dig) {
    const LogEntry start = lastLogEntry(logPath);
    if (start.step < 0) {
        std::fprintf(stderr, "savedlistdriver: no log at %s\n", qPrintable(logPath));
        return 2;
    }
    const int fd = ::open(QFile::encodeName(logPath).constData(), O_WRONLY | O_APPEND);
    if (fd < 0)
        return 2;

    IniSettingsStore settings(settingsPath);
    Test::FakeNotifier notifier;
    SystemClock clock;
    DigStore store(StoreServices{.settings = settings,
                                 .notifier = notifier,
                                 .clock = clock,
                                 .digProgram = dig,
                                 .maxConcurrentQueries = DigQueue::defaultMaxRunning});

    if (domainsOf(store.watches()) != domainsAfter(start.step)) {
        std::fprintf(stderr, "savedlistdriver: loaded list is not the one of step %lld\n",
                     static_cast<long long>(start.step));
        return 1;
    }

    qint64 step = start.step;
    QTimer ticker;
    // One step per pass of the event loop, so the checks that every add
    // starts run alongside, as they would in the application.
    QObject::connect(&ticker, &QTimer::timeout, &store, [&] {
        ++step;
        if (step % 2 == 1)
            store.add(loopDomain((step + 1) / 2), RecordType::A, std::nullopt);
        else
            store.remove(store.watches().first().id);
        appendLog(fd, step, fingerprint(store.watches()));
    });
    ticker.start(0);
    return QCoreApplication::exec();
}

int check(const QString& settingsPath, const QString& logPath) {
    const LogEntry last = lastLogEntry(logPath);
    const std::optional<QByteArray> stored =
        IniSettingsStore(settingsPath).value(DigStore::settingsKey);
    const std::optional<QList<Watch>> watches =
        stored ? WatchListCodec::decode(*stored) : std::nullopt;
    if (last.step < 0 || !watches || watches->isEmpty()) {
        std::printf("FAIL no log, or the saved list is missing, empty or unreadable (%lld bytes)\n",
                    static_cast<long long>(stored ? stored->size() : -1));
        return 1;
    }
    const QStringList domains = domainsOf(*watches);
    if (domains == domainsAfter(last.step) && fingerprint(*watches) == last.hash) {
        std::printf("ok at step %lld, the last logged: %lld watches\n",
                    static_cast<long long>(last.step), static_cast<long long>(watches->size()));
        return 0;
    }
    if (domains == domainsAfter(last.step + 1)) {
        // The kill came after the save and before the log line: record the
        // step, so that the next run starts from the list on disk.
        QFile log(logPath);
        if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
            return 2;
        log.write(QByteArray::number(last.step + 1) + ' ' + fingerprint(*watches) + '\n');
        std::printf("ok at step %lld, saved but not logged: %lld watches\n",
                    static_cast<long long>(last.step + 1), static_cast<long long>(watches->size()));
        return 0;
    }
    std::printf("FAIL the saved list (%lld watches) is neither step %lld nor the next\n",
                static_cast<long long>(watches->size()), static_cast<long long>(last.step));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("seed"))
        return seed(args[1], args[2]);
    if (args.size() == 4 && args[0] == QLatin1String("run"))
        return run(args[1], args[2], args[3]);
    if (args.size() == 3 && args[0] == QLatin1String("check"))
        return check(args[1], args[2]);
    std::fprintf(stderr, "usage: savedlistdriver seed SETTINGS LOG | run SETTINGS LOG DIG"
                         " | check SETTINGS LOG\n");
    return 2;
}

#include "common/watchfactory.h"

#include "store/digstore.h"

#include <QDateTime>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace Quello::Bench {

QList<Watch> makeWatches(int count, bool settled) {
    const Instant now = instantFromDateTime(QDateTime::currentDateTimeUtc());
    QList<Watch> watches;
    watches.reserve(count);
    for (int i = 1; i <= count; ++i) {
        Watch watch;
        watch.id = QUuid::createUuid();
        watch.domain = QStringLiteral("w%1.example.test").arg(i);
        watch.recordType = RecordType::A;
        watch.createdAt = now - 7200;
        if (settled)
            watch.settledAt = now - 3600;
        watches.append(watch);
    }
    return watches;
}

bool waitUntilChecked(DigStore& store, int timeoutMs) {
    if (store.watches().isEmpty())
        return true; // nothing to check, so no check will ever start
    QEventLoop loop;
    bool started = !store.isChecking().isEmpty();
    const auto idle = [&store] {
        return store.isChecking().isEmpty() && store.queries().running() == 0
               && store.queries().waiting() == 0;
    };
    const QMetaObject::Connection connection =
        QObject::connect(&store, &DigStore::checkingChanged, &loop, [&] {
            started = true;
            if (idle())
                loop.quit();
        });
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
    timeout.start(timeoutMs);
    const bool ok = (started && idle()) || loop.exec() == 0;
    QObject::disconnect(connection);
    if (!ok) {
        std::fprintf(stderr,
                     "still checking after %d ms: %lld of %lld watches under check, %d queries "
                     "running, %d waiting, %lld watches with results\n",
                     timeoutMs, static_cast<long long>(store.isChecking().size()),
                     static_cast<long long>(store.watches().size()), store.queries().running(),
                     store.queries().waiting(), static_cast<long long>(store.results().size()));
    }
    return ok;
}

} // namespace Quello::Bench

#include "store/digstore.h"

#include "model/watchlistcodec.h"
#include "store/clock.h"
#include "store/connectivity.h"
#include "store/consensus.h"
#include "store/notifier.h"
#include "store/settingsstore.h"
#include "store/wakewatcher.h"

#include <QTimer>

#include <algorithm>
#include <memory>
#include <utility>

namespace Quello {

DigStore::DigStore(const StoreServices& services, QObject* parent)
    : QObject(parent)
    , m_settings(services.settings)
    , m_notifier(services.notifier)
    , m_clock(services.clock)
    , m_connectivity(services.connectivity)
    , m_queries(services.digProgram, services.maxConcurrentQueries)
    , m_source(m_queries, [this] { return m_clock.now(); }) {
    load();
    startPolling();
    if (services.wakeWatcher)
        connect(services.wakeWatcher, &WakeWatcher::wokeUp, this, &DigStore::wokeUp);
    if (m_connectivity) {
        m_offline = m_connectivity->state() == Connectivity::State::Offline;
        connect(m_connectivity, &Connectivity::stateChanged, this, &DigStore::connectivityChanged);
    }
    // Every saved watch, settled or not, gets one check right after launch,
    // once the caller has had the chance to connect to our signals.
    QTimer::singleShot(0, this, [this] { checkAll(); });
}

DigStore::~DigStore() = default;

const Watch* DigStore::watch(const QUuid& id) const {
    const auto it = std::find_if(m_watches.cbegin(), m_watches.cend(),
                                 [&](const Watch& w) { return w.id == id; });
    return it == m_watches.cend() ? nullptr : &*it;
}

Watch* DigStore::findWatch(const QUuid& id) {
    const auto it = std::find_if(m_watches.begin(), m_watches.end(),
                                 [&](const Watch& w) { return w.id == id; });
    return it == m_watches.end() ? nullptr : &*it;
}

// --- Saved list -------------------------------------------------------------

void DigStore::load() {
    const std::optional<QByteArray> stored = m_settings.value(settingsKey);
    if (!stored)
        return;
    std::optional<QList<Watch>> decoded = WatchListCodec::decode(*stored);
    if (!decoded) {
        // The store starts empty and the next save replaces the damaged list.
        // Keep a copy first, so that one bad character does not lose every
        // watch for good. An earlier copy stays: nobody may have looked at it
        // yet, and it holds the list from before the store started over.
        if (!m_settings.value(unreadableKey))
            m_settings.setValue(unreadableKey, *stored);
        return;
    }
    m_watches = std::move(*decoded);
}

void DigStore::save() {
    const QByteArray encoded = WatchListCodec::encode(m_watches);
    // Even an empty list encodes to "[]": no bytes means the encoder gave up,
    // and the earlier saved list is better than nothing.
    if (encoded.isEmpty())
        return;
    m_settings.setValue(settingsKey, encoded);
}

// --- Adding and removing ----------------------------------------------------

bool DigStore::add(const QString& domain, RecordType type, const std::optional<QString>& expected) {
    const bool duplicate = std::any_of(m_watches.cbegin(), m_watches.cend(), [&](const Watch& w) {
        return w.domain == domain && w.recordType == type && w.expected == expected;
    });
    if (duplicate)
        return false;

    Watch watch;
    watch.id = QUuid::createUuid();
    watch.domain = domain;
    watch.recordType = type;
    watch.expected = expected;
    watch.createdAt = m_clock.now();

    m_watches.append(watch);
    Q_EMIT watchAdded(watch.id);
    save();
    // The first check starts once add has returned.
    QTimer::singleShot(0, this, [this, id = watch.id] { check(id); });
    requestNotificationPermissionOnce();
    return true;
}

void DigStore::remove(const QUuid& watchId) {
    // A copy: the caller's id may live inside the list that is about to shift.
    const QUuid id = watchId;
    const qsizetype removed = m_watches.removeIf([&](const Watch& w) { return w.id == id; });
    if (removed > 0)
        Q_EMIT watchRemoved(id);
    m_source.forget(id);
    m_earlyCheckSpent.remove(id);
    if (m_results.remove(id))
        Q_EMIT resultsChanged(id);
    // Saved even when nothing was removed.
    save();
}

// --- Checking ---------------------------------------------------------------

void DigStore::setChecking(const QUuid& id, bool checking) {
    if (m_isChecking.contains(id) == checking)
        return;
    if (checking)
        m_isChecking.insert(id);
    else
        m_isChecking.remove(id);
    Q_EMIT checkingChanged(id);
}

void DigStore::check(const QUuid& id, std::function<void()> done) {
    const Watch* found = watch(id);
    if (!found || m_offline) {
        if (done)
            done();
        return;
    }
    // A copy before anything is emitted: a slot that adds or removes a watch
    // moves the list, and `found` with it.
    const Watch copy = *found;
    startCheck(copy, std::move(done));
}

void DigStore::startCheck(const Watch& copy, std::function<void()> done) {
    const QUuid id = copy.id;
    // Another check of the same watch may be running; this one runs all the same.
    setChecking(id, true);

    struct Gathering {
        ResultMap fresh;
        SourceBook::Entry source;
        qsizetype outstanding = 0;
        std::function<void()> done;
    };
    auto gathering = std::make_shared<Gathering>();
    // The four resolvers and the zone's servers, asked side by side.
    gathering->outstanding = static_cast<qsizetype>(Resolver::all().size()) + 1;
    gathering->done = std::move(done);
    const auto gathered = [this, id, gathering] {
        if (--gathering->outstanding > 0)
            return;
        finishCheck(id, gathering->fresh, gathering->source);
        if (gathering->done)
            gathering->done();
    };

    m_source.ask(copy, this, [gathering, gathered](const SourceBook::Entry& source) {
        gathering->source = source;
        gathered();
    });

    for (const Resolver& resolver : Resolver::all()) {
        m_queries.query(copy.domain, copy.recordType, resolver.server, this,
                        [this, gathering, gathered,
                         resolverId = resolver.id](const DigRunner::Outcome& outcome) {
                            gathering->fresh.insert(resolverId,
                                                    Consensus::resultFrom(outcome, m_clock.now()));
                            gathered();
                        });
    }
}

void DigStore::finishCheck(const QUuid& id, const ResultMap& fresh,
                           const SourceBook::Entry& source) {
    // The four answers and the source's replace the earlier ones at once,
    // never one by one.
    m_results.insert(id, fresh);
    m_source.record(id, source);
    Q_EMIT resultsChanged(id);

    if (!watch(id)) {
        // Removed while its queries ran: its answers must not outlive it.
        m_results.remove(id);
        m_source.forget(id);
        Q_EMIT resultsChanged(id);
        setChecking(id, false);
        return;
    }

    // No server was reached: the machine is offline, or its network not back
    // yet after a wake-up. That says nothing about the record, so the watch
    // keeps its state; falling back here would settle and notify it again
    // once the network returns.
    if (!std::all_of(fresh.cbegin(), fresh.cend(), Consensus::reachedNoServer))
        settle(id);
    setChecking(id, false);
    pollSoonerIfNeeded(id);
}

void DigStore::checkAll(std::function<void()> done) {
    // A copy: checks started here may not see watches added meanwhile, and
    // starting each from its own copy avoids looking every watch up again.
    const QList<Watch> watches = m_offline ? QList<Watch>() : m_watches;

    if (watches.isEmpty()) {
        if (done)
            done();
        return;
    }

    struct Waiting {
        qsizetype outstanding = 0;
        std::function<void()> done;
    };
    auto waiting = std::make_shared<Waiting>();
    waiting->outstanding = watches.size();
    waiting->done = std::move(done);

    for (const Watch& w : watches) {
        startCheck(w, [waiting] {
            if (--waiting->outstanding == 0 && waiting->done)
                waiting->done();
        });
    }
}

// --- Consensus and settling -------------------------------------------------

std::optional<QString> DigStore::consensusValue(const Watch& watch) const {
    return Consensus::value(watch, m_results.value(watch.id));
}

bool DigStore::isSettled(const Watch& watch) const {
    return Consensus::isSettled(watch, m_results.value(watch.id), m_source.verdict(watch.id));
}

ResolverStatus DigStore::status(const Watch& watch, const Resolver& resolver) const {
    return Consensus::status(watch, m_results.value(watch.id), resolver,
                             m_source.verdict(watch.id));
}

bool DigStore::isLagging(const Watch& watch, const Resolver& resolver) const {
    return Consensus::isLagging(watch, m_results.value(watch.id), resolver,
                                m_source.verdict(watch.id));
}

std::optional<Instant> DigStore::expiryOf(const Watch& watch, const Resolver& resolver) const {
    const auto found = m_results.constFind(watch.id);
    if (found == m_results.cend() || !found->contains(resolver.id))
        return std::nullopt;
    return Consensus::expiry(found->value(resolver.id));
}

std::optional<Instant> DigStore::etaOf(const Watch& watch) const {
    return Consensus::eta(watch, m_results.value(watch.id), m_source.verdict(watch.id));
}

Instant DigStore::now() const {
    return m_clock.now();
}

int DigStore::pendingCount() const {
    return static_cast<int>(
        std::count_if(m_watches.cbegin(), m_watches.cend(), Consensus::isPending));
}

void DigStore::settle(const QUuid& id) {
    Watch* current = findWatch(id);
    if (!current)
        return;
    const bool settled = isSettled(*current);

    if (settled && !current->settledAt) {
        current->settledAt = m_clock.now();
        m_earlyCheckSpent.remove(id);
        const Watch updated = *current;
        Q_EMIT watchUpdated(id);
        save();
        notifySettled(updated);
    } else if (!settled && current->settledAt) {
        // Falling back is silent; only settling is worth telling.
        current->settledAt.reset();
        Q_EMIT watchUpdated(id);
        save();
    }
}

// --- Notifications ----------------------------------------------------------

void DigStore::requestNotificationPermissionOnce() {
    m_notifier.requestPermission();
}

void DigStore::notifySettled(const Watch& watch) {
    const QString title = watch.domain + QLatin1Char(' ') + rawValue(watch.recordType)
                          + QStringLiteral(" propagated");
    // Every resolver answered with values, so there is a consensus to show.
    const QString body =
        QStringLiteral("All resolvers now return ") + consensusValue(watch).value_or(QString());
    m_notifier.notify(watch.id, title, body);
}

} // namespace Quello

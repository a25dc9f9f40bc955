#include "store/digstore.h"

#include "model/watchlistcodec.h"
#include "store/clock.h"
#include "store/consensus.h"
#include "store/notifier.h"
#include "store/settingsstore.h"
#include "store/wakewatcher.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <variant>

namespace Quello {

DigStore::DigStore(const StoreServices& services, QObject* parent)
    : QObject(parent)
    , m_settings(services.settings)
    , m_notifier(services.notifier)
    , m_clock(services.clock)
    , m_queries(services.digProgram, services.maxConcurrentQueries) {
    load();
    startPolling();
    if (services.wakeWatcher)
        connect(services.wakeWatcher, &WakeWatcher::wokeUp, this, &DigStore::wokeUp);
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
    if (!found) {
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
        qsizetype outstanding = 0;
        std::function<void()> done;
    };
    auto gathering = std::make_shared<Gathering>();
    gathering->outstanding = static_cast<qsizetype>(Resolver::all().size());
    gathering->done = std::move(done);

    for (const Resolver& resolver : Resolver::all()) {
        m_queries.query(
            copy.domain, copy.recordType, resolver.server, this,
            [this, id, gathering, resolverId = resolver.id](const DigRunner::Outcome& outcome) {
                gathering->fresh.insert(resolverId, Consensus::resultFrom(outcome, m_clock.now()));

                if (--gathering->outstanding > 0)
                    return;
                finishCheck(id, gathering->fresh);
                if (gathering->done)
                    gathering->done();
            });
    }
}

void DigStore::finishCheck(const QUuid& id, const ResultMap& fresh) {
    // The four answers replace the earlier ones at once, never one by one.
    m_results.insert(id, fresh);
    Q_EMIT resultsChanged(id);

    if (!watch(id)) {
        // Removed while its queries ran: its answers must not outlive it.
        m_results.remove(id);
        Q_EMIT resultsChanged(id);
        setChecking(id, false);
        return;
    }

    settle(id);
    setChecking(id, false);
    pollSoonerIfNeeded(id);
}

void DigStore::checkAll(std::function<void()> done) {
    // A copy: checks started here may not see watches added meanwhile, and
    // starting each from its own copy avoids looking every watch up again.
    const QList<Watch> watches = m_watches;

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
    return Consensus::isSettled(watch, m_results.value(watch.id));
}

ResolverStatus DigStore::status(const Watch& watch, const Resolver& resolver) const {
    return Consensus::status(watch, m_results.value(watch.id), resolver);
}

bool DigStore::isLagging(const Watch& watch, const Resolver& resolver) const {
    const QList<Resolver> behind = Consensus::lagging(watch, m_results.value(watch.id));
    return std::any_of(behind.cbegin(), behind.cend(),
                       [&](const Resolver& r) { return r.id == resolver.id; });
}

std::optional<Instant> DigStore::expiryOf(const Watch& watch, const Resolver& resolver) const {
    const auto found = m_results.constFind(watch.id);
    if (found == m_results.cend() || !found->contains(resolver.id))
        return std::nullopt;
    return Consensus::expiry(found->value(resolver.id));
}

std::optional<Instant> DigStore::etaOf(const Watch& watch) const {
    return Consensus::eta(watch, m_results.value(watch.id));
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

// --- Polling ----------------------------------------------------------------

void DigStore::startPolling() {
    // The next pass comes after the polling period, or sooner when a pending
    // watch's last lagging cache expires before that.
    const Instant now = m_clock.now();
    std::chrono::milliseconds delay = pollingPeriod;
    if (const std::optional<Instant> next = nextExpiryCheck()) {
        const auto until = std::chrono::milliseconds(std::llround((*next - now) * 1000.0));
        delay = std::clamp(until, std::chrono::milliseconds(0), delay);
    }
    m_pollWakeAt = now + std::chrono::duration<double>(delay).count();
    // The clock drops the wake-up when its context is gone: with the store,
    // which ends the loop, or when waking from suspend cuts the sleep short.
    m_pollSleep = new QObject(this);
    m_clock.sleep(delay, m_pollSleep, [this] {
        m_pollSleep->deleteLater();
        m_pollSleep = nullptr;
        pollPass();
    });
}

void DigStore::wokeUp() {
    // The sleep is meant to count on while the machine is asleep, but Qt's
    // timers do not: the pass comes now instead of up to a period late. A
    // pass under way already sleeps afresh once it is done.
    if (!m_pollSleep)
        return;
    delete m_pollSleep;
    m_pollSleep = nullptr;
    pollPass();
}

void DigStore::pollPass() {
    // One time for the whole pass: a watch late in the list is judged against
    // the start of the pass, not against when its turn comes.
    const Instant passTime = m_clock.now();
    pollNext(m_watches, 0, passTime);
}

// A check that finished outside a pass may have brought an expiry that comes
// before the sleeping pass does. Only this watch changed, so only it is asked.
void DigStore::pollSoonerIfNeeded(const QUuid& id) {
    const Watch* w = watch(id);
    if (!m_pollSleep || !w)
        return;
    const std::optional<Instant> at =
        PollSchedule::expiryCheckAt(*w, m_results.value(id), m_earlyCheckSpent.contains(id));
    if (!at || *at >= m_pollWakeAt)
        return;
    delete m_pollSleep;
    m_pollSleep = nullptr;
    startPolling();
}

std::optional<Instant> DigStore::nextExpiryCheck() const {
    std::optional<Instant> next;
    for (const Watch& w : m_watches) {
        if (const std::optional<Instant> at = PollSchedule::expiryCheckAt(
                w, m_results.value(w.id), m_earlyCheckSpent.contains(w.id)))
            next = next ? std::min(*next, *at) : *at;
    }
    return next;
}

void DigStore::pollNext(QList<Watch> snapshot, qsizetype index, Instant passTime) {
    for (; index < snapshot.size(); ++index) {
        const Watch& w = snapshot.at(index);
        const PollSchedule::Decision decision = PollSchedule::decide(
            w, m_results.value(w.id), m_earlyCheckSpent.contains(w.id), passTime);
        if (decision.early)
            m_earlyCheckSpent.insert(w.id);
        if (!decision.due)
            continue;

        // One watch at a time: the next is looked at once this check is done.
        const QUuid id = w.id;
        check(id, [this, snapshot = std::move(snapshot), index, passTime]() mutable {
            pollNext(std::move(snapshot), index + 1, passTime);
        });
        return;
    }
    startPolling();
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

// The store's schedule: the polling loop, the wake-up after suspend and the
// machine's connectivity, which decide when checks run; what a check does is
// in digstore.cpp.
#include "store/clock.h"
#include "store/connectivity.h"
#include "store/digstore.h"
#include "store/pollschedule.h"
#include "store/wakewatcher.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace Quello {

// --- Polling ----------------------------------------------------------------

void DigStore::startPolling() {
    // The next pass comes after the polling period, or sooner when a pending
    // watch's last lagging cache expires before that.
    const Instant now = m_clock.now();
    std::chrono::milliseconds delay = PollSchedule::pollingPeriod;
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
    // The network is not back yet: the checks wait for it, though not for
    // ever, since the system may be wrong about it.
    if (m_offline) {
        if (m_wakeWait)
            return;
        m_wakeWait = new QObject(this);
        m_clock.sleep(wakeGrace, m_wakeWait, [this] {
            m_wakeWait->deleteLater();
            m_wakeWait = nullptr;
            checkDue(true);
        });
        return;
    }
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
    const std::optional<Instant> at = PollSchedule::expiryCheckAt(
        *w, m_results.value(id), m_earlyCheckSpent.contains(id), m_source.verdict(id));
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
                w, m_results.value(w.id), m_earlyCheckSpent.contains(w.id), m_source.verdict(w.id)))
            next = next ? std::min(*next, *at) : *at;
    }
    return next;
}

// Whether the watch is due at `at` on the schedule, without spending its one
// early check: for the checks that run when the network comes back.
bool DigStore::isDue(const Watch& w, Instant at) const {
    return PollSchedule::decide(w, m_results.value(w.id), m_earlyCheckSpent.contains(w.id), at,
                                m_source.verdict(w.id))
        .due;
}

void DigStore::pollNext(QList<Watch> snapshot, qsizetype index, Instant passTime) {
    // Offline, a pass checks nothing; the return of the network checks
    // whatever fell due meanwhile.
    if (m_offline)
        index = snapshot.size();
    for (; index < snapshot.size(); ++index) {
        const Watch& w = snapshot.at(index);
        const PollSchedule::Decision decision =
            PollSchedule::decide(w, m_results.value(w.id), m_earlyCheckSpent.contains(w.id),
                                 passTime, m_source.verdict(w.id));
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

// --- Connectivity -----------------------------------------------------------

bool DigStore::isOffline() const {
    return m_offline;
}

void DigStore::connectivityChanged() {
    const bool offline = m_connectivity->state() == Connectivity::State::Offline;
    if (offline == m_offline)
        return;
    m_offline = offline;
    Q_EMIT offlineChanged(offline);
    if (offline)
        return;
    delete m_wakeWait; // the network is back before the grace ran out
    m_wakeWait = nullptr;
    checkDue(false);
}

void DigStore::checkDue(bool evenOffline) {
    if (m_offline && !evenOffline)
        return;
    // All at once, as at launch: the user has waited long enough.
    const Instant now = m_clock.now();
    const QList<Watch> watches = m_watches;
    for (const Watch& w : watches) {
        if (isDue(w, now))
            startCheck(w, {});
    }
}

} // namespace Quello

#include "wait/waitrun.h"

#include "model/instant.h"
#include "model/resolver.h"
#include "store/pollschedule.h"

#include <QDateTime>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <variant>

namespace Quello {

WaitRun::WaitRun(const WatchRequest& request, std::chrono::seconds interval,
                 std::chrono::seconds timeout, const QString& digProgram, QObject* parent)
    : QObject(parent)
    , m_interval(interval)
    , m_timeout(timeout)
    , m_queries(digProgram) {
    m_watch.id = QUuid::createUuid();
    m_watch.domain = request.domain;
    m_watch.recordType = request.type;
    m_watch.expected = request.expected;
    m_watch.createdAt = instantFromDateTime(QDateTime::currentDateTimeUtc());

    m_next.setSingleShot(true);
    // A coarse timer may fire up to 5 % early: a check meant for just after a
    // cache lets go would then read the old answer once more.
    m_next.setTimerType(Qt::PreciseTimer);
    connect(&m_next, &QTimer::timeout, this, &WaitRun::check);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_timeIsUp = true;
        // A check under way may still settle the watch: its answer decides.
        if (!m_checking)
            finish(Outcome::TimedOut);
    });
}

void WaitRun::start() {
    m_clock.start();
    m_deadline.start(m_timeout);
    check();
}

std::optional<WaitRun::Milliseconds> WaitRun::changedAt(const QString& resolverId) const {
    const auto it = m_changedAt.constFind(resolverId);
    return it == m_changedAt.cend() ? std::nullopt : std::optional(*it);
}

std::optional<WaitRun::Milliseconds> WaitRun::nextCheckIn() const {
    if (m_checking || m_finished || !m_next.isActive())
        return std::nullopt;
    return Milliseconds{m_next.remainingTime()};
}

void WaitRun::check() {
    m_checking = true;
    const Milliseconds startedAt = elapsed();

    struct Gathering {
        Consensus::ResultMap fresh;
        qsizetype outstanding = 0;
        bool digUnavailable = false;
    };
    auto gathering = std::make_shared<Gathering>();
    gathering->outstanding = static_cast<qsizetype>(Resolver::all().size());

    for (const Resolver& resolver : Resolver::all()) {
        m_queries.query(
            m_watch.domain, m_watch.recordType, resolver.server, this,
            [this, gathering, startedAt, id = resolver.id](const DigRunner::Outcome& outcome) {
                if (const auto* failure = std::get_if<DigRunner::Failure>(&outcome)) {
                    gathering->digUnavailable |=
                        failure->reason == DigRunner::Failure::Reason::LaunchFailed;
                }
                gathering->fresh.insert(id, Consensus::resultFrom(outcome, now()));
                if (--gathering->outstanding > 0)
                    return;

                // Planned first, so that whoever hears of this check sees
                // when the next one comes; finishing cancels it.
                m_next.start(nextCheckDelay(gathering->fresh, elapsed() - startedAt));
                finishCheck(gathering->fresh, gathering->digUnavailable);
            });
    }
}

Instant WaitRun::now() {
    return instantFromDateTime(QDateTime::currentDateTimeUtc());
}

WaitRun::Milliseconds WaitRun::nextCheckDelay(const Consensus::ResultMap& fresh,
                                              Milliseconds spent) {
    // Checks start one interval apart, however long each takes...
    const Milliseconds regular = std::max(Milliseconds{0}, Milliseconds{m_interval} - spent);
    const std::optional<Instant> eta = Consensus::eta(m_watch, fresh);
    if (!eta)
        return regular;
    // ...unless every lagging cache says when it lets go of its answer: then
    // the next check comes just after the last of them, sooner or later.
    const Milliseconds atExpiry{
        std::max<qint64>(0, std::llround((*eta + PollSchedule::expiryGrace - now()) * 1000.0))};
    if (atExpiry >= regular)
        return atExpiry;
    if (m_earlyCheckSpent)
        return regular;
    m_earlyCheckSpent = true;
    return atExpiry;
}

void WaitRun::finishCheck(const Consensus::ResultMap& fresh, bool digUnavailable) {
    m_checking = false;
    if (digUnavailable) {
        finish(Outcome::DigUnavailable);
        return;
    }
    // All answers of one check replace the earlier ones at once, as in the tray.
    const Consensus::ResultMap earlier = std::exchange(m_results, fresh);
    for (const Resolver& resolver : Resolver::all()) {
        const ResolverResult now = m_results.value(resolver.id);
        const auto before = earlier.constFind(resolver.id);
        if (before != earlier.cend() && before->values == now.values
            && before->failed == now.failed)
            continue;
        m_changedAt.insert(resolver.id, elapsed());
        Q_EMIT resultChanged(resolver.id);
    }
    Q_EMIT checked();

    if (Consensus::isSettled(m_watch, m_results))
        finish(Outcome::Settled);
    else if (m_timeIsUp)
        finish(Outcome::TimedOut);
}

void WaitRun::finish(Outcome outcome) {
    if (m_finished)
        return;
    m_finished = true;
    m_next.stop();
    m_deadline.stop();
    Q_EMIT finished(outcome);
}

} // namespace Quello

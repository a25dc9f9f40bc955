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
                 std::chrono::seconds timeout, const QString& digProgram, bool sourceOnly,
                 QObject* parent)
    : QObject(parent)
    , m_interval(interval)
    , m_timeout(timeout)
    , m_queries(digProgram)
    , m_source(m_queries, &WaitRun::now)
    , m_sourceOnly(sourceOnly) {
    m_watch.id = QUuid::createUuid();
    m_watch.domain = request.domain;
    m_watch.recordType = request.type;
    m_watch.expected = request.expected;
    m_watch.createdAt = now();

    m_next.setSingleShot(true);
    // A coarse timer may fire up to 5 % early: a check meant for just after a
    // cache lets go would then read the old answer once more.
    m_next.setTimerType(Qt::PreciseTimer);
    connect(&m_next, &QTimer::timeout, this, &WaitRun::check);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_timeIsUp = true;
        // A check under way may still settle the watch: its answer decides.
        // Servers that agree under --source have settled it already.
        if (!m_checking && !(m_sourceOnly && serversServe()))
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
    ++m_checks;
    const Milliseconds startedAt = elapsed();
    // Under --source the resolvers wait until the servers agree, so that no
    // cache is filled with "no such name" while the record is not out yet;
    // the servers are not asked again once they have.
    const bool serversAgreed = m_sourceOnly && serversServe();
    const bool askResolvers = !m_sourceOnly || serversAgreed;

    struct Gathering {
        Consensus::ResultMap fresh;
        SourceBook::Entry source;
        qsizetype outstanding = 0;
        bool digUnavailable = false;
    };
    auto gathering = std::make_shared<Gathering>();
    gathering->outstanding = (serversAgreed ? 0 : 1)
                             + (askResolvers ? static_cast<qsizetype>(Resolver::all().size()) : 0);
    if (serversAgreed)
        gathering->source = *m_source.entry(m_watch.id);
    const auto gathered = [this, gathering, startedAt] {
        if (--gathering->outstanding > 0)
            return;
        // Planned first, so that whoever hears of this check sees when the
        // next one comes; finishing cancels it.
        m_next.start(nextCheckDelay(gathering->fresh,
                                    SourceVerdict::judge(gathering->source.answers),
                                    elapsed() - startedAt));
        finishCheck(gathering->fresh, gathering->source, gathering->digUnavailable);
    };

    if (!serversAgreed) {
        m_source.ask(m_watch, this, [gathering, gathered](const SourceBook::Entry& source) {
            gathering->source = source;
            gathered();
        });
    }
    if (!askResolvers)
        return;
    m_resolversAsked = true;
    for (const Resolver& resolver : Resolver::all()) {
        m_queries.query(m_watch.domain, m_watch.recordType, resolver.server, this,
                        [gathering, gathered, id = resolver.id](const DigRunner::Outcome& outcome) {
                            if (const auto* failure = std::get_if<DigRunner::Failure>(&outcome)) {
                                gathering->digUnavailable |=
                                    failure->reason == DigRunner::Failure::Reason::LaunchFailed;
                            }
                            gathering->fresh.insert(id, Consensus::resultFrom(outcome, now()));
                            gathered();
                        });
    }
}

Instant WaitRun::now() {
    return instantFromDateTime(QDateTime::currentDateTimeUtc());
}

WaitRun::Milliseconds WaitRun::nextCheckDelay(const Consensus::ResultMap& fresh,
                                              const SourceVerdict& source, Milliseconds spent) {
    // Checks start one interval apart, however long each takes...
    const Milliseconds regular = std::max(Milliseconds{0}, Milliseconds{m_interval} - spent);
    const std::optional<Instant> eta = Consensus::eta(m_watch, fresh, source);
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

bool WaitRun::serversServe() const {
    const SourceBook::Entry* source = m_source.entry(m_watch.id);
    if (!source || !source->zone)
        return false;
    return m_watch.expected ? SourceVerdict::allServe(source->answers, m_watch)
                            : SourceVerdict::allAgree(source->answers);
}

void WaitRun::finishCheck(const Consensus::ResultMap& fresh, const SourceBook::Entry& source,
                          bool digUnavailable) {
    m_checking = false;
    if (digUnavailable) {
        finish(Outcome::DigUnavailable);
        return;
    }
    // A change is what was served, not when it was asked.
    const auto sameAnswers = [](const QList<SourceAnswer>& left, const QList<SourceAnswer>& right) {
        return std::equal(left.cbegin(), left.cend(), right.cbegin(), right.cend(),
                          [](SourceAnswer a, const SourceAnswer& b) {
                              a.checkedAt = b.checkedAt;
                              return a == b;
                          });
    };
    const SourceBook::Entry* previous = m_source.entry(m_watch.id);
    const bool newSource = !previous || previous->zone != source.zone
                           || !sameAnswers(previous->answers, source.answers);
    m_source.record(m_watch.id, source);
    if (m_resolversAsked) {
        // All answers of one check replace the earlier ones at once, as in the tray.
        const Consensus::ResultMap earlier = std::exchange(m_results, fresh);
        for (const Resolver& resolver : Resolver::all()) {
            const ResolverResult latest = m_results.value(resolver.id);
            const auto before = earlier.constFind(resolver.id);
            if (before != earlier.cend() && before->values == latest.values
                && before->failed == latest.failed)
                continue;
            m_changedAt.insert(resolver.id, elapsed());
            Q_EMIT resultChanged(resolver.id);
        }
    }
    if (newSource)
        Q_EMIT sourceChanged();
    Q_EMIT checked();

    if (m_sourceOnly) {
        // Without the zone's servers there is nothing to wait for: the
        // caller learns so at once rather than when its time is up.
        if (!source.zone || (m_checks == 1 && !sourceVerdict().known)) {
            finish(Outcome::SourceUnknown);
            return;
        }
        if (m_resolversAsked) {
            finish(Outcome::Settled);
            return;
        }
        if (serversServe()) {
            m_next.start(0); // the resolvers, for information, then done
            return;
        }
    } else if (Consensus::isSettled(m_watch, m_results, sourceVerdict())) {
        finish(Outcome::Settled);
        return;
    }
    if (m_timeIsUp)
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

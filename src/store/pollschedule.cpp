#include "store/pollschedule.h"

#include <algorithm>

namespace Quello::PollSchedule {

std::optional<Instant> latestAnswer(const Consensus::ResultMap& results) {
    std::optional<Instant> latest;
    for (const ResolverResult& r : results)
        latest = latest ? std::max(*latest, r.checkedAt) : r.checkedAt;
    return latest;
}

std::optional<Instant> expiryCheckAt(const Watch& watch, const Consensus::ResultMap& results,
                                     bool earlyCheckSpent, const SourceVerdict& source) {
    if (watch.settledAt)
        return std::nullopt;
    const std::optional<Instant> eta = Consensus::eta(watch, results, source);
    const std::optional<Instant> latest = latestAnswer(results);
    if (!eta || !latest)
        return std::nullopt;
    const Instant at = *eta + expiryGrace;
    if (earlyCheckSpent)
        return std::max(at, *latest + pendingInterval - dueTolerance);
    return at;
}

Decision decide(const Watch& watch, const Consensus::ResultMap& results, bool earlyCheckSpent,
                Instant passTime, const SourceVerdict& source) {
    const std::optional<Instant> latest = latestAnswer(results);
    if (!latest)
        return {true, false};
    const double interval = watch.settledAt ? settledInterval : pendingInterval;
    const Instant fixed = *latest + interval - dueTolerance;
    if (const std::optional<Instant> at = expiryCheckAt(watch, results, earlyCheckSpent, source))
        return {passTime >= *at, passTime >= *at && *at < fixed};
    return {passTime >= fixed, false};
}

} // namespace Quello::PollSchedule

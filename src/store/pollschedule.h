#pragma once

#include "model/instant.h"
#include "model/watch.h"
#include "store/consensus.h"

#include <chrono>
#include <optional>

namespace Quello {

// When the polling loop checks a watch again. Pure: decided from the watch
// and its latest results alone.
namespace PollSchedule {

inline constexpr std::chrono::seconds pollingPeriod{30};
inline constexpr double pendingInterval = 60.0;
inline constexpr double settledInterval = 600.0;
// A watch whose latest answer is this close to its interval counts as due:
// a pass 60 s after a check otherwise misses it by milliseconds.
inline constexpr double dueTolerance = 1.0;
// A cache entry lives until a whole second after its TTL has run out.
inline constexpr double expiryGrace = 1.0;

// The latest checkedAt among the results, failed ones included, so that a
// failing resolver does not make its watch due more often.
std::optional<Instant> latestAnswer(const Consensus::ResultMap& results);

// A pending watch whose lagging resolvers all hold answers that expire is
// checked expiryGrace after the last of them has, instead of on the fixed
// schedule: sooner when the caches turn sooner, later when asking earlier
// would only read the same cached answers again. Once such a check came
// sooner than the interval (`earlyCheckSpent`), the watch waits at least the
// interval, so that short TTLs never cost more queries than the schedule.
std::optional<Instant> expiryCheckAt(const Watch& watch, const Consensus::ResultMap& results,
                                     bool earlyCheckSpent, const SourceVerdict& source = {});

struct Decision {
    bool due = false;
    bool early = false; // due sooner than the fixed schedule would have been
};

// Whether a pass at `passTime` checks the watch. No answers at all: due.
Decision decide(const Watch& watch, const Consensus::ResultMap& results, bool earlyCheckSpent,
                Instant passTime, const SourceVerdict& source = {});

} // namespace PollSchedule

} // namespace Quello

#pragma once

namespace Quello {

// How one resolver stands for one watch.
enum class ResolverStatus {
    Ok,      // answered, and matches the expected value where there is one
    Problem, // failed, answered nothing, or does not match
    Waiting, // no result yet
};

} // namespace Quello

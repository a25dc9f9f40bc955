#pragma once

#include "model/instant.h"

#include <QObject>

#include <chrono>
#include <functional>

namespace Quello {

// Wall-clock time and timed wake-ups, so the polling rules can be tested
// without sleeping.
class Clock {
public:
    virtual ~Clock() = default;

    virtual Instant now() const = 0;

    // Calls `wake` once, on the main thread, after `delay` has passed on a
    // monotonic clock; nothing happens if `context` is destroyed first.
    virtual void sleep(std::chrono::milliseconds delay, QObject* context,
                       std::function<void()> wake) = 0;
};

} // namespace Quello

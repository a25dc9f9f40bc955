#pragma once

#include "store/clock.h"

#include <QDateTime>

namespace Quello::Bench {

// The wall clock, with wake-ups that never come: the store's polling never
// runs, so a timed check is the only thing that runs dig. (Otherwise a poll
// pass that starts while a long checkAll is still going re-checks every
// watch that has no answer yet, on top of the checkAll.)
class QuietClock final : public Clock {
public:
    Instant now() const override { return instantFromDateTime(QDateTime::currentDateTimeUtc()); }
    void sleep(std::chrono::milliseconds, QObject*, std::function<void()>) override {}
};

} // namespace Quello::Bench

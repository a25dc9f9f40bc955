#pragma once

#include "store/clock.h"

namespace Quello {

class SystemClock final : public Clock {
public:
    Instant now() const override;
    void sleep(std::chrono::milliseconds delay, QObject* context,
               std::function<void()> wake) override;
};

} // namespace Quello

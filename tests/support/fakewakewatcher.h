#pragma once

#include "store/wakewatcher.h"

namespace Quello::Test {

// Wakes the machine from suspend on request.
class FakeWakeWatcher final : public WakeWatcher {
public:
    void wake() { Q_EMIT wokeUp(); }
};

} // namespace Quello::Test

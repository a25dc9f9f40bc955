#pragma once

#include "panel/motion/motionpreference.h"

namespace Quello::Test {

// The desktop's animation setting under the caller's control.
class FixedMotion : public MotionPreference {
public:
    bool animationsEnabled() const override { return allowed; }
    bool allowed = false;
};

inline void setMotion(bool allowed) {
    static FixedMotion motion;
    motion.allowed = allowed;
    MotionPreference::install(&motion);
}

} // namespace Quello::Test

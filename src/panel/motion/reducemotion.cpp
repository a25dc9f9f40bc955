#include "panel/motion/reducemotion.h"

#include "panel/motion/motionpreference.h"

namespace Quello {

bool reduceMotion() {
    return !MotionPreference::current().animationsEnabled();
}

} // namespace Quello

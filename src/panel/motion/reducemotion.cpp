#include "panel/reducemotion.h"

#include "panel/motionpreference.h"

namespace Quello {

bool reduceMotion() {
    return !MotionPreference::current().animationsEnabled();
}

} // namespace Quello

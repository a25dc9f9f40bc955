#pragma once

namespace Quello {

// True when the desktop asks for no animations. Every animation of the panel
// asks this first and applies its change at once when it is true.
bool reduceMotion();

} // namespace Quello

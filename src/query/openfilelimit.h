#pragma once

namespace Quello {

// Raises the soft limit on open files to the hard limit, since every running
// dig holds pipes of ours. Returns the soft limit now in force.
long raiseOpenFileLimit();

} // namespace Quello

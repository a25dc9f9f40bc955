#pragma once

namespace Quello {

// Raises the soft limit on open files to the hard limit, since every running
// dig holds pipes of ours. Returns the soft limit now in force (LONG_MAX when
// unlimited), or -1 when the limit cannot be read.
long raiseOpenFileLimit();

} // namespace Quello

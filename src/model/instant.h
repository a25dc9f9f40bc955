#pragma once

#include <QDateTime>

namespace Quello {

// Wall-clock time as seconds since 2001-01-01T00:00:00Z (negative before it).
// The saved list stores instants in exactly this form.
using Instant = double;

Instant instantFromDateTime(const QDateTime& dateTime);
QDateTime dateTimeFromInstant(Instant instant);

} // namespace Quello

#include "model/instant.h"

#include <cmath>
#include <limits>

namespace Quello {

namespace {

// 2001-01-01T00:00:00Z in milliseconds since the Unix epoch.
constexpr qint64 referenceMSecs = Q_INT64_C(978307200000);

} // namespace

Instant instantFromDateTime(const QDateTime& dateTime) {
    // Integer milliseconds first, then one division: whole milliseconds map to the
    // nearest double, with no error carried over from the epoch offset.
    return static_cast<double>(dateTime.toMSecsSinceEpoch() - referenceMSecs) / 1000.0;
}

QDateTime dateTimeFromInstant(Instant instant) {
    if (!std::isfinite(instant))
        return {};
    const double msecs = std::round(instant * 1000.0);
    // Keep well inside qint64 so the conversion and the offset cannot overflow.
    constexpr double limit = static_cast<double>(std::numeric_limits<qint64>::max() / 2);
    if (std::abs(msecs) > limit)
        return {};
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(msecs) + referenceMSecs, Qt::UTC);
}

} // namespace Quello

#pragma once

#include "model/instant.h"

#include <QStringList>

namespace Quello {

// The latest answer of one resolver for one watch. Lives in memory only.
struct ResolverResult {
    QStringList values; // normalized and sorted; empty when failed
    bool failed = false;
    Instant checkedAt = 0;

    bool operator==(const ResolverResult&) const = default;
};

} // namespace Quello

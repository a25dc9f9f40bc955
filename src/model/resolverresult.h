#pragma once

#include "model/answerstatus.h"
#include "model/instant.h"

#include <QStringList>

#include <optional>

namespace Quello {

// The latest answer of one resolver for one watch. Lives in memory only.
struct ResolverResult {
    QStringList values; // normalized and sorted; empty when failed
    bool failed = false;
    Instant checkedAt = 0;
    // The response's status, or why none came; none when dig did not say.
    std::optional<AnswerStatus> status{};
    // Seconds the resolver may keep serving this answer from its cache,
    // counted from checkedAt; none when no record said.
    std::optional<qint64> ttl{};

    bool operator==(const ResolverResult&) const = default;
};

} // namespace Quello

#pragma once

#include "model/answerstatus.h"
#include "model/instant.h"

#include <QString>

#include <optional>

namespace Quello {

// The words for a resolver's answer status and for how long caches hold an
// answer, in one place, so that the panel and quello-wait say the same.
// Translated (context "Quello::StatusText").
namespace StatusText {

// "no such name", "no record of this type", "server failure", "refused",
// "timed out", "unreachable", ...; none for an answer with records.
std::optional<QString> answerStatus(AnswerStatus status);

// A span of whole seconds: "42 s", "1 min 42 s", "2 h 5 min".
QString duration(qint64 seconds);

// How much longer a lagging resolver's cache holds its answer, from `now`:
// "cached 1 min 42 s more"; "cache expiring" once that time is past.
QString cachedFor(Instant expiry, Instant now);

// When the last lagging cache turns, from `now`: "about 3 min", "about 40 s",
// or "any moment now" once it has.
QString eta(Instant eta, Instant now);

} // namespace StatusText

} // namespace Quello

#pragma once

#include "model/resolver.h"
#include "model/resolverresult.h"
#include "model/watch.h"
#include "query/digrunner.h"
#include "store/resolverstatus.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace Quello {

// The decisions about one watch, made from its latest results alone. The tray
// and the command line decide with these, so they never disagree.
namespace Consensus {

using ResultMap = QMap<QString, ResolverResult>; // resolver id -> result

// The result one query leaves: a failure keeps no values, only its kind.
ResolverResult resultFrom(const DigRunner::Outcome& outcome, Instant checkedAt);

// One resolver's whole answer as a single text: the unit the resolvers are
// compared by, and the form a consensus is shown and notified in.
QString answerKey(const ResolverResult& result);

// The most common answer among the resolvers that answered; a tie goes to
// the earliest resolver.
std::optional<QString> value(const Watch& watch, const ResultMap& results);

// Every resolver answered, and all agree or all match the expected value.
bool isSettled(const Watch& watch, const ResultMap& results);

// Case-insensitive, against a whole value or one word of it.
bool matches(const QStringList& values, const QString& expected);

ResolverStatus status(const Watch& watch, const ResultMap& results, const Resolver& resolver);

// The resolvers that keep the watch from settling: those not ok, and without
// an expected value those whose answer differs from the consensus.
QList<Resolver> lagging(const Watch& watch, const ResultMap& results);

// When the resolver's cache lets go of this answer: checkedAt plus its TTL.
// None without a TTL, and for TTL 0, which no cache keeps.
std::optional<Instant> expiry(const ResolverResult& result);

// When the last lagging resolver's cached answer expires: the latest expiry
// among lagging(), known only when every lagging resolver has one.
std::optional<Instant> eta(const Watch& watch, const ResultMap& results);

// Counted by the tray's pending count: not settled at its last check.
bool isPending(const Watch& watch);

} // namespace Consensus

} // namespace Quello

#pragma once

#include "model/resolver.h"
#include "model/resolverresult.h"
#include "model/watch.h"
#include "query/digrunner.h"
#include "store/resolverstatus.h"
#include "store/sourceverdict.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace Quello {

// The decisions about one watch, made from its latest results alone. The tray
// and the command line decide with these, so they never disagree.
namespace Consensus {

using ResultMap = QMap<QString, ResolverResult>; // resolver id -> result

// The result one query leaves: a failure keeps no values, only its kind.
ResolverResult resultFrom(const DigRunner::Outcome& outcome, Instant checkedAt);

// The query never reached a DNS server: it timed out, the network was
// unreachable or the port refused. A check in which every query did so says
// nothing about the record.
bool reachedNoServer(const ResolverResult& result);

// One resolver's whole answer as a single text: the unit the resolvers are
// compared by, and the form a consensus is shown and notified in.
QString answerKey(const ResolverResult& result);
QString answerKey(const QStringList& values);

// The most common answer among the resolvers that answered; a tie goes to
// the earliest resolver.
std::optional<QString> value(const Watch& watch, const ResultMap& results);

// Every resolver answered, and all match the expected value; without one,
// all agree, and on the source's answer when the zone's servers are known.
bool isSettled(const Watch& watch, const ResultMap& results, const SourceVerdict& source = {});

// Without an expected value: all four agree, but not on what the zone's
// servers now serve. The caches still hold the answer being replaced.
bool agreeOnOldAnswer(const Watch& watch, const ResultMap& results, const SourceVerdict& source);

// The resolver is among lagging().
bool isLagging(const Watch& watch, const ResultMap& results, const Resolver& resolver,
               const SourceVerdict& source = {});

// Case-insensitive, against a whole value or one word of it.
bool matches(const QStringList& values, const QString& expected);

// As matches(), and for a TXT watch also against each value read as the
// record's text: its strings joined, dig's escapes decoded, as UTF-8.
bool matchesExpected(const Watch& watch, const QStringList& values);

// A TXT value as dig prints it, without the outer quotes the runner strips
// ("a" "b\"c" stored as a" "b\"c), read as the record's text ("ab\"c").
// None when it is not such a value or its bytes are not UTF-8.
std::optional<QString> recordText(QStringView value);

// Without an expected value and with the source known, a resolver is ok only
// while it serves the source's answer.
ResolverStatus status(const Watch& watch, const ResultMap& results, const Resolver& resolver,
                      const SourceVerdict& source = {});

// The resolvers that keep the watch from settling: those not ok, and without
// an expected value those whose answer differs from the source's answer, or
// from the consensus while the source is unknown.
QList<Resolver> lagging(const Watch& watch, const ResultMap& results,
                        const SourceVerdict& source = {});

// When the resolver's cache lets go of this answer: checkedAt plus its TTL.
// None without a TTL, and for TTL 0, which no cache keeps.
std::optional<Instant> expiry(const ResolverResult& result);

// When the last lagging resolver's cached answer expires: the latest expiry
// among lagging(), known only when every lagging resolver has one.
std::optional<Instant> eta(const Watch& watch, const ResultMap& results,
                           const SourceVerdict& source = {});

// Counted by the tray's pending count: not settled at its last check.
bool isPending(const Watch& watch);

} // namespace Consensus

} // namespace Quello

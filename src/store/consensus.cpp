#include "store/consensus.h"

#include "query/digrunner.h"

#include <algorithm>
#include <utility>

namespace Quello::Consensus {

namespace {

bool answered(const ResolverResult& result) {
    return !result.failed && !result.values.isEmpty();
}

const ResolverResult* find(const ResultMap& results, const Resolver& resolver) {
    const auto it = results.constFind(resolver.id);
    return it == results.cend() ? nullptr : &*it;
}

} // namespace

ResolverResult resultFrom(const DigRunner::Outcome& outcome, Instant checkedAt) {
    ResolverResult result;
    if (const auto* answer = std::get_if<DigRunner::Answer>(&outcome)) {
        result.values = answer->values;
        result.status = answer->status;
        result.ttl = answer->ttl;
    } else {
        result.failed = true;
        result.status = std::get<DigRunner::Failure>(outcome).kind;
    }
    result.checkedAt = checkedAt;
    return result;
}

QString answerKey(const ResolverResult& result) {
    return result.values.join(QStringLiteral(", "));
}

std::optional<QString> value(const Watch& /*watch*/, const ResultMap& results) {
    // Keys in the order their first resolver appears, so that a tie goes to
    // the earliest resolver and the answer does not change between calls.
    QList<std::pair<QString, int>> counts;
    for (const Resolver& resolver : Resolver::all()) {
        const ResolverResult* stored = find(results, resolver);
        if (!stored || !answered(*stored))
            continue;
        const QString key = answerKey(*stored);
        const auto it = std::find_if(counts.begin(), counts.end(),
                                     [&](const auto& entry) { return entry.first == key; });
        if (it == counts.end())
            counts.append({key, 1});
        else
            ++it->second;
    }
    if (counts.isEmpty())
        return std::nullopt;

    const auto best =
        std::max_element(counts.cbegin(), counts.cend(), [](const auto& left, const auto& right) {
            return left.second < right.second;
        });
    return best->first;
}

bool isSettled(const Watch& watch, const ResultMap& results) {
    QList<const ResolverResult*> stored;
    for (const Resolver& resolver : Resolver::all()) {
        if (const ResolverResult* r = find(results, resolver))
            stored.append(r);
    }
    if (stored.size() < static_cast<qsizetype>(Resolver::all().size()))
        return false;
    if (!std::all_of(stored.cbegin(), stored.cend(), [](const auto* r) { return answered(*r); }))
        return false;

    if (!watch.expected) {
        const QStringList& first = stored.first()->values;
        return std::all_of(stored.cbegin(), stored.cend(),
                           [&](const auto* r) { return r->values == first; });
    }
    return std::all_of(stored.cbegin(), stored.cend(),
                       [&](const auto* r) { return matches(r->values, *watch.expected); });
}

bool matches(const QStringList& values, const QString& expected) {
    const QString target = DigRunner::normalize(expected).toLower();
    // Nothing the user can mean is the empty text ("" or a lone dot).
    if (target.isEmpty())
        return false;

    for (const QString& value : values) {
        const QString lowered = value.toLower();
        if (lowered == target)
            return true;
        // One word of a longer answer: the host or the preference of an MX.
        const QStringList pieces = lowered.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (pieces.contains(target))
            return true;
    }
    return false;
}

ResolverStatus status(const Watch& watch, const ResultMap& results, const Resolver& resolver) {
    const ResolverResult* stored = find(results, resolver);
    if (!stored)
        return ResolverStatus::Waiting;
    if (stored->failed)
        return ResolverStatus::Problem;
    if (!watch.expected)
        return stored->values.isEmpty() ? ResolverStatus::Problem : ResolverStatus::Ok;
    return matches(stored->values, *watch.expected) ? ResolverStatus::Ok : ResolverStatus::Problem;
}

QList<Resolver> lagging(const Watch& watch, const ResultMap& results) {
    const std::optional<QString> consensus = value(watch, results);
    QList<Resolver> behind;
    for (const Resolver& resolver : Resolver::all()) {
        bool ok = status(watch, results, resolver) == ResolverStatus::Ok;
        if (ok && !watch.expected)
            ok = answerKey(*find(results, resolver)) == consensus;
        if (!ok)
            behind.append(resolver);
    }
    return behind;
}

std::optional<Instant> expiry(const ResolverResult& result) {
    if (!result.ttl || *result.ttl <= 0)
        return std::nullopt;
    return result.checkedAt + static_cast<double>(*result.ttl);
}

std::optional<Instant> eta(const Watch& watch, const ResultMap& results) {
    const QList<Resolver> behind = lagging(watch, results);
    if (behind.isEmpty())
        return std::nullopt;
    std::optional<Instant> latest;
    for (const Resolver& resolver : behind) {
        const auto it = results.constFind(resolver.id);
        const std::optional<Instant> expires = it == results.cend() ? std::nullopt : expiry(*it);
        // One lagging resolver with no known end leaves the whole wait open.
        if (!expires)
            return std::nullopt;
        latest = latest ? std::max(*latest, *expires) : *expires;
    }
    return latest;
}

bool isPending(const Watch& watch) {
    return !watch.settledAt;
}

} // namespace Quello::Consensus

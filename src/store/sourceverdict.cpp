#include "store/sourceverdict.h"

#include "store/consensus.h"

#include <algorithm>

namespace Quello {

namespace {

// An address family this machine cannot reach at all (IPv6 on an IPv4-only
// host) says nothing about the zone; the resolvers and the certificate
// authority reach the zone through the addresses that work.
bool isCounted(const SourceAnswer& answer) {
    return answer.problem != SourceAnswer::Problem::NoRoute;
}

} // namespace

SourceVerdict SourceVerdict::judge(const QList<SourceAnswer>& answers) {
    SourceVerdict verdict;
    QList<std::pair<QString, int>> counts;
    for (const SourceAnswer& answer : answers) {
        if (!isCounted(answer))
            continue;
        ++verdict.counted;
        if (!answer.answered())
            continue;
        verdict.known = true;
        const QString key = Consensus::answerKey(answer.values);
        const auto it = std::find_if(counts.begin(), counts.end(),
                                     [&](const auto& entry) { return entry.first == key; });
        if (it == counts.end())
            counts.append({key, 1});
        else
            ++it->second;
    }
    if (!verdict.known)
        return SourceVerdict{false, std::nullopt, 0, verdict.counted, std::nullopt, {}};

    std::stable_sort(counts.begin(), counts.end(), [](const auto& left, const auto& right) {
        return left.second > right.second;
    });
    // Two answers served by as many servers: neither is the zone's yet.
    const bool tie = counts.size() > 1 && counts.at(0).second == counts.at(1).second;
    if (!tie) {
        verdict.answer = counts.first().first;
        verdict.agreeing = counts.first().second;
    }
    for (const SourceAnswer& answer : answers) {
        if (!isCounted(answer))
            continue;
        if (answer.answered() && verdict.answer
            && Consensus::answerKey(answer.values) == *verdict.answer) {
            if (answer.serial)
                verdict.serial = std::max(verdict.serial.value_or(0), *answer.serial);
        } else {
            verdict.behind.append(answer);
        }
    }
    return verdict;
}

bool SourceVerdict::allServe(const QList<SourceAnswer>& answers, const Watch& watch) {
    bool any = false;
    for (const SourceAnswer& answer : answers) {
        if (!isCounted(answer))
            continue;
        if (!answer.answered() || !Consensus::matchesExpected(watch, answer.values))
            return false;
        any = true;
    }
    return any;
}

bool SourceVerdict::allAgree(const QList<SourceAnswer>& answers) {
    const SourceVerdict verdict = judge(answers);
    return verdict.answer && !verdict.answer->isEmpty() && verdict.behind.isEmpty();
}

} // namespace Quello

#include "store/consensus.h"

#include "query/digrunner.h"

#include <QStringDecoder>

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

bool reachedNoServer(const ResolverResult& result) {
    if (!result.failed || !result.status)
        return false;
    switch (*result.status) {
    case AnswerStatus::TimedOut:
    case AnswerStatus::Unreachable:
    case AnswerStatus::ConnectionRefused:
        return true;
    default:
        return false;
    }
}

QString answerKey(const ResolverResult& result) {
    return answerKey(result.values);
}

QString answerKey(const QStringList& values) {
    return values.join(QStringLiteral(", "));
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

bool isSettled(const Watch& watch, const ResultMap& results, const SourceVerdict& source) {
    QList<const ResolverResult*> stored;
    for (const Resolver& resolver : Resolver::all()) {
        if (const ResolverResult* r = find(results, resolver))
            stored.append(r);
    }
    if (stored.size() < static_cast<qsizetype>(Resolver::all().size()))
        return false;
    if (!std::all_of(stored.cbegin(), stored.cend(), [](const auto* r) { return answered(*r); }))
        return false;

    if (!watch.expected && source.known) {
        // Caches agreeing on the answer being replaced are not a settled change.
        return source.answer && std::all_of(stored.cbegin(), stored.cend(), [&](const auto* r) {
                   return answerKey(*r) == *source.answer;
               });
    }
    if (!watch.expected) {
        const QStringList& first = stored.first()->values;
        return std::all_of(stored.cbegin(), stored.cend(),
                           [&](const auto* r) { return r->values == first; });
    }
    return std::all_of(stored.cbegin(), stored.cend(),
                       [&](const auto* r) { return matchesExpected(watch, r->values); });
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

bool matchesExpected(const Watch& watch, const QStringList& values) {
    if (!watch.expected)
        return false;
    if (matches(values, *watch.expected))
        return true;
    if (watch.recordType != RecordType::TXT)
        return false;
    // A long DKIM key or SPF record is published as several strings, and
    // non-ASCII text comes back as decimal escapes; the user types the text
    // the DNS provider shows. The values themselves stay as dig printed them.
    QStringList texts;
    for (const QString& value : values) {
        if (std::optional<QString> text = recordText(value); text && *text != value)
            texts.append(*std::move(text));
    }
    return !texts.isEmpty() && matches(texts, *watch.expected);
}

std::optional<QString> recordText(QStringView value) {
    // The runner took off the first and the last quote; every string of the
    // record is quoted again once they are back.
    const QString quoted = u'"' + value.toString() + u'"';
    QByteArray bytes;
    QString run; // plain characters, added as UTF-8 in one go
    const auto flush = [&] {
        bytes += run.toUtf8();
        run.clear();
    };
    qsizetype i = 0;
    const qsizetype n = quoted.size();
    while (i < n) {
        if (quoted[i] != u'"')
            return std::nullopt;
        for (++i;; ++i) {
            if (i >= n)
                return std::nullopt; // an unterminated string
            const QChar c = quoted[i];
            if (c == u'"')
                break;
            if (c != u'\\') {
                run += c;
                continue;
            }
            if (++i >= n)
                return std::nullopt;
            const QStringView digits = QStringView(quoted).sliced(i, std::min<qsizetype>(3, n - i));
            if (digits.size() == 3 && std::all_of(digits.begin(), digits.end(), [](QChar d) {
                    return d >= u'0' && d <= u'9';
                })) {
                // \DDD: one byte, which may be part of a UTF-8 sequence.
                const int byte = digits.toInt();
                if (byte > 255)
                    return std::nullopt;
                flush();
                bytes += static_cast<char>(byte);
                i += 2;
            } else {
                run += quoted[i]; // \" and \\ stand for the character itself
            }
        }
        flush();
        ++i; // past the closing quote
        // dig puts one space between the strings of a record.
        if (i < n && quoted[i] == u' ')
            ++i;
        else if (i < n)
            return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool agreeOnOldAnswer(const Watch& watch, const ResultMap& results, const SourceVerdict& source) {
    // The rule without a source: all four answered and agree, so that the
    // consensus is their one answer.
    return !watch.expected && source.answer && isSettled(watch, results)
           && value(watch, results) != source.answer;
}

bool isLagging(const Watch& watch, const ResultMap& results, const Resolver& resolver,
               const SourceVerdict& source) {
    const QList<Resolver> behind = lagging(watch, results, source);
    return std::any_of(behind.cbegin(), behind.cend(),
                       [&](const Resolver& r) { return r.id == resolver.id; });
}

ResolverStatus status(const Watch& watch, const ResultMap& results, const Resolver& resolver,
                      const SourceVerdict& source) {
    const ResolverResult* stored = find(results, resolver);
    if (!stored)
        return ResolverStatus::Waiting;
    if (stored->failed)
        return ResolverStatus::Problem;
    if (!watch.expected && source.answer)
        return !stored->values.isEmpty() && answerKey(*stored) == *source.answer
                   ? ResolverStatus::Ok
                   : ResolverStatus::Problem;
    if (!watch.expected)
        return stored->values.isEmpty() ? ResolverStatus::Problem : ResolverStatus::Ok;
    return matchesExpected(watch, stored->values) ? ResolverStatus::Ok : ResolverStatus::Problem;
}

QList<Resolver> lagging(const Watch& watch, const ResultMap& results, const SourceVerdict& source) {
    const std::optional<QString> target = source.known ? source.answer : value(watch, results);
    QList<Resolver> behind;
    for (const Resolver& resolver : Resolver::all()) {
        bool ok = status(watch, results, resolver, source) == ResolverStatus::Ok;
        if (ok && !watch.expected)
            ok = answerKey(*find(results, resolver)) == target;
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

std::optional<Instant> eta(const Watch& watch, const ResultMap& results,
                           const SourceVerdict& source) {
    const QList<Resolver> behind = lagging(watch, results, source);
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

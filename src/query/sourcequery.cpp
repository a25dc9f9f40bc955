#include "query/sourcequery.h"

#include "query/digqueue.h"
#include "query/digresponses.h"
#include "query/digrunner.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace Quello::SourceQuery {

namespace {

using Problem = SourceAnswer::Problem;

Problem problemOf(const DigResponse& reply) {
    if (!reply.status) {
        switch (reply.failureKind().value_or(AnswerStatus::QueryFailed)) {
        case AnswerStatus::TimedOut:
            return Problem::TimedOut;
        case AnswerStatus::Unreachable:
            return Problem::NoRoute;
        default:
            return Problem::Unreachable;
        }
    }
    if (reply.status == QLatin1String("REFUSED"))
        return Problem::Refused;
    if (reply.status != QLatin1String("NOERROR") && reply.status != QLatin1String("NXDOMAIN"))
        return Problem::ServerFailure;
    // A server that is not (or no longer) authoritative for the zone answers
    // from elsewhere, or with a referral: not what the zone publishes.
    if (!reply.isAuthoritative())
        return Problem::NotAuthoritative;
    return Problem::None;
}

// The record and the SOA in one run; +norecurse, since only what the
// server itself publishes counts.
QStringList arguments(const ZoneServers& zone, const SourceServer& server, RecordType type) {
    return DigRunner::fixedOptions() + QStringList{u'@' + server.address,
                                                   QStringLiteral("+norecurse"),
                                                   zone.queryName,
                                                   rawValue(type),
                                                   zone.zone,
                                                   QStringLiteral("SOA")};
}

} // namespace

SourceAnswer read(const ZoneServers& zone, const SourceServer& server, const QString& output,
                  Instant checkedAt) {
    SourceAnswer answer;
    answer.server = server;
    answer.checkedAt = checkedAt;
    const QList<DigResponse> replies = DigResponses::each(output);
    if (replies.isEmpty()) {
        answer.problem = Problem::Unreachable;
        return answer;
    }
    answer.problem = problemOf(replies.first());
    if (!answer.answered())
        return answer;

    // What dig +short would print, the chain followed to get here first.
    answer.values = zone.chain + replies.first().values();
    std::sort(answer.values.begin(), answer.values.end());

    for (const DigResponse& reply : replies) {
        if (const std::optional<DigResponse::Record> soa = reply.firstRecord(u"SOA")) {
            bool ok = false;
            const quint32 serial = soa->rdata.split(u' ', Qt::SkipEmptyParts).value(2).toUInt(&ok);
            if (ok) {
                answer.serial = serial;
                break;
            }
        }
    }
    return answer;
}

void ask(DigQueue& queue, const ZoneServers& zone, RecordType type, QObject* context,
         std::function<Instant()> now, std::function<void(const QList<SourceAnswer>&)> done) {
    struct Gathering {
        QList<SourceAnswer> answers;
        qsizetype outstanding = 0;
        std::function<void(const QList<SourceAnswer>&)> done;
    };
    auto gathering = std::make_shared<Gathering>();
    gathering->answers.resize(zone.servers.size());
    gathering->outstanding = zone.servers.size();
    gathering->done = std::move(done);
    if (zone.servers.isEmpty()) {
        QMetaObject::invokeMethod(
            context, [gathering] { gathering->done({}); }, Qt::QueuedConnection);
        return;
    }
    for (qsizetype i = 0; i < zone.servers.size(); ++i) {
        const SourceServer& server = zone.servers.at(i);
        queue.run(arguments(zone, server, type), context,
                  [gathering, zone, server, i, now](const DigRunner::RawOutcome& outcome) {
                      const auto* output = std::get_if<DigRunner::Output>(&outcome);
                      gathering->answers[i] =
                          read(zone, server, output ? output->text : QString(), now());
                      if (--gathering->outstanding == 0)
                          gathering->done(gathering->answers);
                  });
    }
}

} // namespace Quello::SourceQuery

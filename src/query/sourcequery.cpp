#include "query/sourcequery.h"

#include "query/digqueue.h"
#include "query/digreply.h"
#include "query/digrunner.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace Quello::SourceQuery {

namespace {

using Problem = SourceAnswer::Problem;

Problem problemOf(const DigReply& reply) {
    if (!reply.answered) {
        if (reply.error.contains(QLatin1String("timed out")))
            return Problem::TimedOut;
        if (reply.error.contains(QLatin1String("unreachable")))
            return Problem::NoRoute;
        return Problem::Unreachable;
    }
    if (reply.status == QLatin1String("REFUSED"))
        return Problem::Refused;
    if (reply.status != QLatin1String("NOERROR") && reply.status != QLatin1String("NXDOMAIN"))
        return Problem::ServerFailure;
    // A server that is not (or no longer) authoritative for the zone answers
    // from elsewhere, or with a referral: not what the zone publishes.
    if (!reply.authoritative)
        return Problem::NotAuthoritative;
    return Problem::None;
}

} // namespace

QStringList arguments(const ZoneServers& zone, const SourceServer& server, RecordType type) {
    return QStringList{QStringLiteral("-r"),
                       u'@' + server.address,
                       QStringLiteral("+norecurse"),
                       QStringLiteral("+time=3"),
                       QStringLiteral("+tries=1"),
                       QStringLiteral("+noall"),
                       QStringLiteral("+comments"),
                       QStringLiteral("+answer"),
                       QStringLiteral("+authority"),
                       zone.queryName,
                       rawValue(type),
                       zone.zone,
                       QStringLiteral("SOA")};
}

SourceAnswer read(const ZoneServers& zone, const SourceServer& server, const QString& output,
                  Instant checkedAt) {
    SourceAnswer answer;
    answer.server = server;
    answer.checkedAt = checkedAt;
    const QList<DigReply> replies = DigReply::parseAll(output);
    if (replies.isEmpty()) {
        answer.problem = Problem::Unreachable;
        return answer;
    }
    answer.problem = problemOf(replies.first());
    if (!answer.answered())
        return answer;

    // What dig +short would print, the chain followed to get here first.
    answer.values = zone.chain;
    for (const DigRecord& record : replies.first().answer) {
        QString value = DigRunner::normalize(record.rdata);
        if (!value.isEmpty())
            answer.values.append(std::move(value));
    }
    std::sort(answer.values.begin(), answer.values.end());

    for (const DigReply& reply : replies) {
        if (const std::optional<DigRecord> soa = reply.find(u"SOA")) {
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

#include "wait/jsonreport.h"

#include "model/instant.h"
#include "model/resolver.h"
#include "wait/waitrun.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace Quello::JsonReport {

namespace {

QString statusName(ResolverStatus status) {
    switch (status) {
    case ResolverStatus::Ok:
        return QStringLiteral("ok");
    case ResolverStatus::Problem:
        return QStringLiteral("problem");
    case ResolverStatus::Waiting:
        break;
    }
    return QStringLiteral("waiting");
}

QString problemName(SourceAnswer::Problem problem) {
    switch (problem) {
    case SourceAnswer::Problem::None:
        break;
    case SourceAnswer::Problem::TimedOut:
        return QStringLiteral("timedOut");
    case SourceAnswer::Problem::Unreachable:
        return QStringLiteral("unreachable");
    case SourceAnswer::Problem::NoRoute:
        return QStringLiteral("noRoute");
    case SourceAnswer::Problem::Refused:
        return QStringLiteral("refused");
    case SourceAnswer::Problem::ServerFailure:
        return QStringLiteral("serverFailure");
    case SourceAnswer::Problem::NotAuthoritative:
        return QStringLiteral("notAuthoritative");
    }
    return QStringLiteral("ok");
}

// The zone's servers and what each served; null while none could be found.
QJsonValue sourceObject(const WaitRun& run) {
    const SourceBook::Entry* source = run.source();
    if (!source || !source->zone)
        return QJsonValue();
    QJsonArray servers;
    for (const SourceAnswer& answer : source->answers) {
        QJsonObject entry{{QStringLiteral("name"), answer.server.name},
                          {QStringLiteral("address"), answer.server.address},
                          {QStringLiteral("status"), problemName(answer.problem)},
                          {QStringLiteral("values"), QJsonArray::fromStringList(answer.values)},
                          {QStringLiteral("serial"),
                           answer.serial ? QJsonValue(double(*answer.serial)) : QJsonValue()}};
        servers.append(entry);
    }
    const SourceVerdict verdict = run.sourceVerdict();
    return QJsonObject{
        {QStringLiteral("zone"), source->zone->zone},
        {QStringLiteral("name"), source->zone->queryName},
        {QStringLiteral("servers"), servers},
        {QStringLiteral("answer"), verdict.answer ? QJsonValue(*verdict.answer) : QJsonValue()},
        {QStringLiteral("agreeing"), verdict.agreeing},
        {QStringLiteral("counted"), verdict.counted},
        {QStringLiteral("serial"),
         verdict.serial ? QJsonValue(double(*verdict.serial)) : QJsonValue()}};
}

// Names for scripts, never translated.
QString answerStatusName(AnswerStatus status) {
    switch (status) {
    case AnswerStatus::NoError:
        return QStringLiteral("noError");
    case AnswerStatus::NoSuchName:
        return QStringLiteral("noSuchName");
    case AnswerStatus::NoData:
        return QStringLiteral("noData");
    case AnswerStatus::ServerFailure:
        return QStringLiteral("serverFailure");
    case AnswerStatus::Refused:
        return QStringLiteral("refused");
    case AnswerStatus::OtherError:
        return QStringLiteral("otherError");
    case AnswerStatus::TimedOut:
        return QStringLiteral("timedOut");
    case AnswerStatus::Unreachable:
        return QStringLiteral("unreachable");
    case AnswerStatus::ConnectionRefused:
        return QStringLiteral("connectionRefused");
    case AnswerStatus::QueryFailed:
        break;
    }
    return QStringLiteral("queryFailed");
}

QString isoTime(Instant instant) {
    return dateTimeFromInstant(instant).toString(Qt::ISODateWithMs);
}

} // namespace

QByteArray encode(const WaitRun& run, bool settled) {
    const Watch& watch = run.watch();
    QJsonObject watchObject{{QStringLiteral("domain"), watch.domain},
                            {QStringLiteral("type"), rawValue(watch.recordType)}};
    watchObject.insert(QStringLiteral("expected"),
                       watch.expected ? QJsonValue(*watch.expected) : QJsonValue());

    QJsonArray resolvers;
    for (const Resolver& resolver : Resolver::all()) {
        QJsonObject entry{
            {QStringLiteral("id"), resolver.id},
            {QStringLiteral("name"), resolver.name},
            {QStringLiteral("server"),
             resolver.server ? QJsonValue(*resolver.server) : QJsonValue()},
            {QStringLiteral("status"),
             statusName(Consensus::status(watch, run.results(), resolver, run.sourceVerdict()))}};
        const auto result = run.results().constFind(resolver.id);
        if (result != run.results().cend()) {
            entry.insert(QStringLiteral("values"), QJsonArray::fromStringList(result->values));
            entry.insert(QStringLiteral("failed"), result->failed);
            entry.insert(QStringLiteral("checkedAt"), isoTime(result->checkedAt));
            entry.insert(QStringLiteral("answerStatus"),
                         result->status ? QJsonValue(answerStatusName(*result->status))
                                        : QJsonValue());
            entry.insert(QStringLiteral("ttl"),
                         result->ttl ? QJsonValue(double(*result->ttl)) : QJsonValue());
            const std::optional<Instant> expiry = Consensus::expiry(*result);
            entry.insert(QStringLiteral("expiresAt"),
                         expiry ? QJsonValue(isoTime(*expiry)) : QJsonValue());
        }
        resolvers.append(entry);
    }

    const std::optional<QString> consensus = Consensus::value(watch, run.results());
    const QJsonObject state{
        {QStringLiteral("watch"), watchObject},
        {QStringLiteral("resolvers"), resolvers},
        {QStringLiteral("source"), sourceObject(run)},
        {QStringLiteral("consensus"), consensus ? QJsonValue(*consensus) : QJsonValue()},
        {QStringLiteral("settled"), settled},
        {QStringLiteral("eta"), run.eta() ? QJsonValue(isoTime(*run.eta())) : QJsonValue()},
        {QStringLiteral("elapsed"), static_cast<double>(run.elapsed().count()) / 1000.0}};
    return QJsonDocument(state).toJson(QJsonDocument::Indented);
}

} // namespace Quello::JsonReport

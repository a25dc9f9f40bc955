#include "store/sourcetext.h"

#include <algorithm>

namespace Quello {

namespace {

// Only asked with an expected value.
bool serves(const Watch& watch, const SourceAnswer& answer) {
    return answer.answered() && Consensus::matchesExpected(watch, answer.values);
}

bool anyServes(const Watch& watch, const QList<SourceAnswer>& answers) {
    return std::any_of(answers.cbegin(), answers.cend(),
                       [&](const SourceAnswer& a) { return serves(watch, a); });
}

} // namespace

QString SourceText::problem(SourceAnswer::Problem problem) {
    switch (problem) {
    case SourceAnswer::Problem::None:
        break;
    case SourceAnswer::Problem::TimedOut:
        return tr("does not answer");
    case SourceAnswer::Problem::Unreachable:
        return tr("unreachable");
    case SourceAnswer::Problem::NoRoute:
        return tr("no route from here");
    case SourceAnswer::Problem::Refused:
        return tr("refuses to answer");
    case SourceAnswer::Problem::ServerFailure:
        return tr("server failure");
    case SourceAnswer::Problem::NotAuthoritative:
        return tr("not authoritative");
    }
    return {};
}

QString SourceText::serverName(const SourceServer& server, const ZoneServers& zone) {
    const QString suffix = u'.' + zone.zone;
    return server.name.endsWith(suffix) ? server.name.chopped(suffix.size()) : server.name;
}

QString SourceText::answerText(const QStringList& values) {
    return values.isEmpty() ? tr("no record") : Consensus::answerKey(values);
}

QString SourceText::disagreement(const Watch& watch, const SourceBook::Entry& source,
                                 const SourceVerdict& verdict) {
    QList<SourceAnswer> behind;
    for (const SourceAnswer& answer : source.answers) {
        if (!answer.answered())
            continue;
        const bool lagging =
            watch.expected
                ? !serves(watch, answer)
                : !verdict.answer || Consensus::answerKey(answer.values) != *verdict.answer;
        if (lagging)
            behind.append(answer);
    }
    // The server with the oldest zone data is the one lagging behind; on a
    // tie that is all we have to go by.
    std::stable_sort(behind.begin(), behind.end(), [](const auto& left, const auto& right) {
        return left.serial.value_or(0) < right.serial.value_or(0);
    });
    if (behind.isEmpty())
        return {};
    const SourceAnswer& lagging = behind.first();
    return tr("servers disagree: %1 still has %2")
        .arg(serverName(lagging.server, *source.zone), answerText(lagging.values));
}

QString SourceText::details(const Watch& watch, const SourceBook::Entry* source) {
    if (!source)
        return QStringLiteral("\u2026");
    const SourceVerdict verdict =
        source->zone ? SourceVerdict::judge(source->answers) : SourceVerdict{};
    if (!verdict.known)
        return tr("unknown");

    if (watch.expected && !anyServes(watch, source->answers))
        return tr("not published yet");
    const QString disagree = (watch.expected ? !SourceVerdict::allServe(source->answers, watch)
                                             : !verdict.answer || !verdict.behind.isEmpty())
                                 ? disagreement(watch, *source, verdict)
                                 : QString();
    if (!verdict.answer)
        return disagree;

    QString text = verdict.answer->isEmpty() ? answerText({}) : *verdict.answer;
    text += QStringLiteral(" \u00b7 ")
            + tr("%1 of %2 servers").arg(verdict.agreeing).arg(verdict.counted);
    if (verdict.serial)
        text += QStringLiteral(", ") + tr("serial %1").arg(*verdict.serial);
    if (!disagree.isEmpty())
        text += QStringLiteral(" \u00b7 ") + disagree;
    // A server that answers nothing is named, whatever the others serve.
    for (const SourceAnswer& answer : verdict.behind) {
        if (!answer.answered()) {
            text += QStringLiteral(" \u00b7 ")
                    + tr("%1 %2").arg(serverName(answer.server, *source->zone),
                                      problem(answer.problem));
            break;
        }
    }
    return text;
}

QString SourceText::blocker(const Watch& watch, const SourceBook::Entry* source,
                            const Consensus::ResultMap& results) {
    if (!source || !source->zone)
        return {};
    const SourceVerdict verdict = SourceVerdict::judge(source->answers);
    if (!verdict.known)
        return {};
    if (watch.expected) {
        if (!anyServes(watch, source->answers))
            return tr("not published yet");
        return SourceVerdict::allServe(source->answers, watch)
                   ? QString()
                   : disagreement(watch, *source, verdict);
    }
    if (!verdict.answer)
        return disagreement(watch, *source, verdict);
    if (Consensus::agreeOnOldAnswer(watch, results, verdict))
        return tr("resolvers agree on the old answer");
    return {};
}

} // namespace Quello

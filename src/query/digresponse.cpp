#include "query/digresponse.h"

#include "query/digrunner.h"

#include <algorithm>

namespace Quello {

namespace {

enum class Section { None, Answer, Authority };

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// The next whitespace-separated field of `line` from `pos`, moving `pos` past it.
QStringView nextField(QStringView line, qsizetype& pos) {
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    const qsizetype begin = pos;
    while (pos < line.size() && !isBlank(line[pos]))
        ++pos;
    return line.sliced(begin, pos - begin);
}

bool isClass(QStringView field) {
    static const QStringList classes{QStringLiteral("IN"), QStringLiteral("CH"),
                                     QStringLiteral("HS"), QStringLiteral("NONE"),
                                     QStringLiteral("ANY")};
    return classes.contains(field) || field.startsWith(u"CLASS");
}

// "owner TTL [class] TYPE rdata", the fields separated by tabs (or spaces
// when a field is wider than its column).
std::optional<DigResponse::Record> parseRecord(QStringView line) {
    qsizetype pos = 0;
    DigResponse::Record record;
    record.owner = nextField(line, pos).toString();
    bool ok = false;
    record.ttl = nextField(line, pos).toLongLong(&ok);
    if (!ok || record.owner.isEmpty())
        return std::nullopt;
    QStringView type = nextField(line, pos);
    if (isClass(type))
        type = nextField(line, pos);
    if (type.isEmpty())
        return std::nullopt;
    record.type = type.toString();
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    record.rdata = line.sliced(pos).toString();
    return record;
}

// The negative-caching time an SOA carries: its own TTL, capped by its
// minimum field, the cap every cache applies to a negative answer.
qint64 negativeTtl(const DigResponse::Record& soa) {
    const QStringList fields = soa.rdata.split(u' ', Qt::SkipEmptyParts);
    bool ok = false;
    const qint64 minimum = fields.size() == 7 ? fields.last().toLongLong(&ok) : 0;
    return ok ? std::min(soa.ttl, minimum) : soa.ttl;
}

} // namespace

DigResponse DigResponse::parse(QStringView output) {
    DigResponse response;
    Section section = Section::None;
    for (const QStringView rawLine : output.split(u'\n')) {
        const QStringView line = rawLine.trimmed();
        if (line.isEmpty()) {
            section = Section::None;
            continue;
        }
        if (!line.startsWith(u';')) {
            if (section == Section::None)
                continue;
            if (const std::optional<Record> record = parseRecord(rawLine))
                (section == Section::Answer ? response.answer : response.authority).append(*record);
            continue;
        }
        if (!line.startsWith(u";;"))
            continue; // the question, EDNS options: nothing needed
        const QStringView text = line.sliced(2).trimmed();

        if (text.startsWith(u"->>HEADER<<-")) {
            // A new response replaces whatever an earlier one printed.
            const QStringList messages = response.messages;
            response = DigResponse{};
            response.messages = messages;
            section = Section::None;
            const qsizetype at = text.indexOf(u"status:");
            if (at >= 0) {
                qsizetype pos = at + 7;
                QStringView status = nextField(text, pos);
                if (status.endsWith(u','))
                    status.chop(1);
                response.status = status.toString();
            }
        } else if (text.startsWith(u"flags:")) {
            const qsizetype end = text.indexOf(u';');
            response.flags = text.sliced(6, (end < 0 ? text.size() : end) - 6)
                                 .toString()
                                 .split(u' ', Qt::SkipEmptyParts);
        } else if (text == u"ANSWER SECTION:") {
            section = Section::Answer;
        } else if (text == u"AUTHORITY SECTION:") {
            section = Section::Authority;
        } else if (text.endsWith(u"SECTION:") || text == u"Got answer:"
                   || text.startsWith(u"Query time:") || text.startsWith(u"SERVER:")
                   || text.startsWith(u"WHEN:") || text.startsWith(u"MSG SIZE")) {
            section = Section::None;
        } else {
            response.messages.append(text.toString());
        }
    }
    return response;
}

QStringList DigResponse::values() const {
    // The short form prints each answer record's data on a line of its own;
    // converting those lines by the same rules gives the same values.
    QStringList lines;
    lines.reserve(answer.size());
    for (const Record& record : answer)
        lines.append(record.rdata);
    return DigRunner::valuesFromOutput(lines.join(u'\n'));
}

std::optional<qint64> DigResponse::remainingTtl() const {
    std::optional<qint64> smallest;
    const auto take = [&smallest](qint64 ttl) {
        smallest = smallest ? std::min(*smallest, ttl) : ttl;
    };
    for (const Record& record : answer)
        take(record.ttl);
    // A negative answer (or a chain ending in one) is cached as long as the
    // SOA beside it says.
    for (const Record& record : authority) {
        if (record.type == u"SOA")
            take(negativeTtl(record));
    }
    return smallest;
}

std::optional<DigResponse::Record> DigResponse::firstRecord(QStringView type) const {
    for (const QList<Record>* records : {&answer, &authority}) {
        for (const Record& record : *records) {
            if (record.type.compare(type, Qt::CaseInsensitive) == 0)
                return record;
        }
    }
    return std::nullopt;
}

std::optional<AnswerStatus> DigResponse::answerStatus() const {
    if (status) {
        if (*status == u"NOERROR")
            return answer.isEmpty() ? AnswerStatus::NoData : AnswerStatus::NoError;
        if (*status == u"NXDOMAIN")
            return AnswerStatus::NoSuchName;
        if (*status == u"SERVFAIL")
            return AnswerStatus::ServerFailure;
        if (*status == u"REFUSED")
            return AnswerStatus::Refused;
        return AnswerStatus::OtherError;
    }
    return failureKind();
}

std::optional<AnswerStatus> DigResponse::failureKind() const {
    // The latest of dig's complaints says why it gave up.
    for (auto it = messages.crbegin(); it != messages.crend(); ++it) {
        if (it->contains(u"timed out"))
            return AnswerStatus::TimedOut;
        if (it->contains(u"connection refused"))
            return AnswerStatus::ConnectionRefused;
        if (it->contains(u"unreachable"))
            return AnswerStatus::Unreachable;
    }
    return std::nullopt;
}

} // namespace Quello

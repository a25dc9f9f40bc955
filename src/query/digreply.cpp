#include "query/digreply.h"

#include <QRegularExpression>

namespace Quello {

namespace {

enum class Section { None, Answer, Authority, Other };

Section sectionOf(QStringView line) {
    if (line.startsWith(u";; ANSWER SECTION:"))
        return Section::Answer;
    if (line.startsWith(u";; AUTHORITY SECTION:"))
        return Section::Authority;
    return Section::Other;
}

std::optional<DigRecord> parseRecord(QStringView line) {
    // owner TTL class type rdata; rdata keeps its own spacing (TXT strings).
    static const QRegularExpression form(
        QStringLiteral("^(\\S+)\\s+(\\d+)\\s+(\\S+)\\s+(\\S+)\\s*(.*)$"));
    const QRegularExpressionMatch match = form.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    return DigRecord{match.captured(1), match.capturedView(2).toLongLong(), match.captured(4),
                     match.captured(5).trimmed()};
}

} // namespace

QList<DigReply> DigReply::parseAll(QStringView output) {
    QList<DigReply> replies;
    DigReply* current = nullptr;
    Section section = Section::None;
    // Error lines of one question come before its "no servers" line; a
    // response starts with its header.
    bool failing = false;

    for (QStringView line : output.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(u";; ->>HEADER<<-")) {
            // A second server of the system resolver's list may answer after
            // the first did not: that is still one question.
            if (failing)
                replies.last() = DigReply{};
            else
                replies.append(DigReply{});
            current = &replies.last();
            current->answered = true;
            section = Section::None;
            failing = false;
            static const QRegularExpression status(QStringLiteral("status: ([A-Z0-9]+)"));
            current->status = status.match(line).captured(1);
            continue;
        }
        if (line.startsWith(u";;") && line.contains(u"no servers could be reached")) {
            if (!failing) {
                replies.append(DigReply{});
                current = nullptr;
            }
            failing = false;
            continue;
        }
        if (line.startsWith(u";; communications error")
            || line.startsWith(u";; connection timed out")
            || (line.startsWith(u";; UDP setup") && line.contains(u" failed: "))) {
            // One question may print several of these before it gives up;
            // the last one says best why.
            if (!failing) {
                replies.append(DigReply{});
                current = nullptr;
                failing = true;
            }
            const qsizetype colon = line.lastIndexOf(u": ");
            replies.last().error = line.startsWith(u";; connection timed out")
                                       ? QStringLiteral("timed out")
                                       : line.sliced(colon + 2).toString();
            if (replies.last().error.endsWith(u'.'))
                replies.last().error.chop(1);
            continue;
        }
        if (!current)
            continue;
        if (line.startsWith(u";; flags:")) {
            const QStringView flags = line.sliced(9).left(line.indexOf(u';', 9) - 9);
            current->authoritative = flags.split(u' ').contains(u"aa");
            continue;
        }
        if (line.startsWith(u';')) {
            section = line.startsWith(u";; ") && line.endsWith(u"SECTION:") ? sectionOf(line)
                      : line.startsWith(u";; ")                             ? Section::Other
                                                                            : section;
            continue;
        }
        if (section != Section::Answer && section != Section::Authority)
            continue;
        if (std::optional<DigRecord> record = parseRecord(line))
            (section == Section::Answer ? current->answer : current->authority)
                .append(std::move(*record));
    }
    return replies;
}

std::optional<DigRecord> DigReply::find(QStringView type) const {
    for (const QList<DigRecord>* records : {&answer, &authority}) {
        for (const DigRecord& record : *records) {
            if (record.type.compare(type, Qt::CaseInsensitive) == 0)
                return record;
        }
    }
    return std::nullopt;
}

} // namespace Quello

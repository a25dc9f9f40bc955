#include "query/digresponses.h"

namespace Quello::DigResponses {

namespace {

bool saysNoAnswer(QStringView line) {
    return line.startsWith(u";; communications error")
           || line.startsWith(u";; connection timed out")
           || (line.startsWith(u";; UDP setup") && line.contains(u" failed: "));
}

} // namespace

QList<DigResponse> each(QStringView output) {
    QList<DigResponse> responses;
    QString current;
    bool hasResponse = false;
    bool retrying = false; // the same question again, over TCP
    const auto close = [&] {
        if (!current.trimmed().isEmpty())
            responses.append(DigResponse::parse(current));
        current.clear();
        hasResponse = false;
        retrying = false;
    };

    for (const QStringView rawLine : output.split(u'\n')) {
        const QStringView line = rawLine.trimmed();
        if (line.startsWith(u";; ->>HEADER<<-")) {
            // After messages only (the system resolver's first server did not
            // answer, the next one did) it is still the same question.
            if (hasResponse && !retrying)
                close();
            hasResponse = true;
            retrying = false;
        } else if (saysNoAnswer(line) && hasResponse) {
            close();
        } else if (line.startsWith(u";; Truncated")) {
            retrying = true;
        }
        current += rawLine;
        current += u'\n';
        if (line.contains(u"no servers could be reached"))
            close();
    }
    close();
    return responses;
}

} // namespace Quello::DigResponses

#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace Quello {

// One resource record as dig's long form prints it.
struct DigRecord {
    QString owner; // as printed, final dot included
    qint64 ttl = 0;
    QString type;  // "A", "SOA", ...
    QString rdata; // the rest of the line, as printed

    bool operator==(const DigRecord&) const = default;
};

// One question's outcome in a run of dig with `+noall +comments +answer
// +authority`: either a server's response or the lines saying none came.
struct DigReply {
    bool answered = false;
    QString status;             // "NOERROR", "NXDOMAIN", ...; empty when not answered
    QString error;              // why none answered: "timed out", "connection refused", ...
    bool authoritative = false; // the "aa" flag
    QList<DigRecord> answer;
    QList<DigRecord> authority;

    bool operator==(const DigReply&) const = default;

    // Every reply of a run, one per question, in the order asked. A question
    // no server answered gives a reply that is not `answered`.
    static QList<DigReply> parseAll(QStringView output);

    // The first record of this type in the answer, then in the authority section.
    std::optional<DigRecord> find(QStringView type) const;
};

} // namespace Quello

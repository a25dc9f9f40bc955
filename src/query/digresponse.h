#pragma once

#include "model/answerstatus.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace Quello {

// What dig printed in its long form (+comments +answer +authority), taken
// apart: the response's status and flags, its answer and authority records
// and dig's own messages about the exchange. Pure text work: no process, no
// network.
struct DigResponse {
    struct Record {
        QString owner; // as printed, with its final dot
        qint64 ttl = 0;
        QString type;  // the mnemonic as printed: "A", "CNAME", "SOA", ...
        QString rdata; // the record's data exactly as dig prints it in +short

        bool operator==(const Record&) const = default;
    };

    std::optional<QString> status; // "NOERROR", "NXDOMAIN", ...; none without a response
    QStringList flags;             // "qr", "aa", "rd", "ra", ...
    QList<Record> answer;
    QList<Record> authority;
    // dig's ";;" lines that are not part of a response: "communications error
    // to 192.0.2.1#53: timed out", "no servers could be reached", ...
    QStringList messages;

    bool operator==(const DigResponse&) const = default;

    // When dig printed several responses (the next server of resolv.conf
    // after a time-out, a retry over TCP), the last one counts.
    static DigResponse parse(QStringView output);

    bool isAuthoritative() const { return flags.contains(QStringLiteral("aa")); }

    // Exactly what the short form's lines turn into: the data of every answer
    // record (a CNAME chain's links included), normalized and sorted.
    QStringList values() const;

    // How long the answer may stay cached: the smallest TTL of the answer, and
    // for a negative answer the SOA's. None when no record says.
    std::optional<qint64> remainingTtl() const;

    // The first record of this type in the answer, then in the authority section.
    std::optional<Record> firstRecord(QStringView type) const;

    // The status as an AnswerStatus; without a response, failureKind().
    std::optional<AnswerStatus> answerStatus() const;

    // Why dig got no answer, from its latest message that says: TimedOut,
    // ConnectionRefused or Unreachable; none when no message says.
    std::optional<AnswerStatus> failureKind() const;
};

} // namespace Quello

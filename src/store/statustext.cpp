#include "store/statustext.h"

#include <QCoreApplication>

#include <cmath>

namespace Quello::StatusText {

namespace {

// Whole seconds left, rounded up: a cache entry with 0.2 s to go still holds.
qint64 secondsLeft(Instant until, Instant now) {
    return static_cast<qint64>(std::ceil(until - now));
}

} // namespace

std::optional<QString> answerStatus(AnswerStatus status) {
    switch (status) {
    case AnswerStatus::NoError:
        return std::nullopt;
    case AnswerStatus::NoSuchName:
        return QCoreApplication::translate("Quello::StatusText", "no such name");
    case AnswerStatus::NoData:
        return QCoreApplication::translate("Quello::StatusText", "no record of this type");
    case AnswerStatus::ServerFailure:
        return QCoreApplication::translate("Quello::StatusText", "server failure");
    case AnswerStatus::Refused:
        return QCoreApplication::translate("Quello::StatusText", "refused");
    case AnswerStatus::OtherError:
        return QCoreApplication::translate("Quello::StatusText", "error response");
    case AnswerStatus::TimedOut:
        return QCoreApplication::translate("Quello::StatusText", "timed out");
    case AnswerStatus::Unreachable:
        return QCoreApplication::translate("Quello::StatusText", "unreachable");
    case AnswerStatus::ConnectionRefused:
        return QCoreApplication::translate("Quello::StatusText", "connection refused");
    case AnswerStatus::QueryFailed:
        break;
    }
    return QCoreApplication::translate("Quello::StatusText", "query failed");
}

QString duration(qint64 seconds) {
    if (seconds < 60)
        return QCoreApplication::translate("Quello::StatusText", "%1 s").arg(seconds);
    if (seconds < 3600) {
        if (seconds % 60 == 0)
            return QCoreApplication::translate("Quello::StatusText", "%1 min").arg(seconds / 60);
        return QCoreApplication::translate("Quello::StatusText", "%1 min %2 s")
            .arg(seconds / 60)
            .arg(seconds % 60);
    }
    return QCoreApplication::translate("Quello::StatusText", "%1 h %2 min")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60);
}

QString cachedFor(Instant expiry, Instant now) {
    const qint64 left = secondsLeft(expiry, now);
    if (left <= 0)
        return QCoreApplication::translate("Quello::StatusText", "cache expiring");
    return QCoreApplication::translate("Quello::StatusText", "cached %1 more").arg(duration(left));
}

QString eta(Instant eta, Instant now) {
    const qint64 left = secondsLeft(eta, now);
    if (left <= 0)
        return QCoreApplication::translate("Quello::StatusText", "any moment now");
    // A minute's precision is all an estimate needs beyond the first minute.
    if (left < 60)
        return QCoreApplication::translate("Quello::StatusText", "about %1").arg(duration(left));
    return QCoreApplication::translate("Quello::StatusText", "about %1")
        .arg(duration((left + 59) / 60 * 60));
}

} // namespace Quello::StatusText

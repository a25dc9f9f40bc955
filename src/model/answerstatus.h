#pragma once

namespace Quello {

// What became of one query: the status the resolver answered with, or why no
// answer came. Kept with each result in memory, never saved.
enum class AnswerStatus {
    NoError,           // NOERROR with records in the answer
    NoSuchName,        // NXDOMAIN
    NoData,            // NOERROR with an empty answer: no record of this type
    ServerFailure,     // SERVFAIL
    Refused,           // REFUSED
    OtherError,        // any other response code (FORMERR, NOTIMP, ...)
    TimedOut,          // no reply within dig's time-out
    Unreachable,       // no route to the resolver (host or network unreachable)
    ConnectionRefused, // nothing listens at the resolver's address
    QueryFailed,       // dig failed otherwise: it could not run, crashed or gave up
};

} // namespace Quello

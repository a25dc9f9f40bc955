#pragma once

#include "model/instant.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace Quello {

// One address of one of the zone's authoritative servers.
struct SourceServer {
    QString name;    // "ns1.example.test", no final dot
    QString address; // IPv4 or IPv6

    bool operator==(const SourceServer&) const = default;
};

// Where a watched record is published: the zone that holds it and the
// addresses of that zone's servers.
struct ZoneServers {
    QString zone;      // lower case, no final dot
    QString queryName; // the watched name, or the end of its CNAME chain
    QStringList chain; // the CNAME targets on the way, as the resolvers print them
    QList<SourceServer> servers;
    qint64 ttl = 0; // seconds the NS set may be kept

    bool operator==(const ZoneServers&) const = default;
};

// How one server address answered for one watch.
struct SourceAnswer {
    enum class Problem {
        None,
        TimedOut,
        Unreachable, // refused the connection, or dig could not run
        NoRoute,     // this machine has no way to that address at all
        Refused,
        ServerFailure,
        NotAuthoritative, // answered, but not from its own zone data
    };

    SourceServer server;
    Problem problem = Problem::None;
    QStringList values; // as the resolvers' answers: normalized, chain included, sorted
    std::optional<quint32> serial;
    Instant checkedAt = 0;

    bool answered() const { return problem == Problem::None; }
    bool operator==(const SourceAnswer&) const = default;
};

} // namespace Quello

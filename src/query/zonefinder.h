#pragma once

#include "model/recordtype.h"
#include "query/digresponse.h"
#include "query/zoneservers.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace Quello {

class DigQueue;

// Finds the authoritative servers of the zone that publishes a record,
// asking the machine's own resolver: the SOA of the name (in the answer, or
// in the authority section of a negative answer), the zone's NS set, and the
// servers' IPv4 and IPv6 addresses. A CNAME at the name is followed to the
// zone that holds its target, except when the CNAME itself is watched.
namespace ZoneFinder {

struct Found {
    std::optional<ZoneServers> servers; // none: the source is unknown
    bool failed = false;                // the resolver did not answer: worth asking again soon

    bool operator==(const Found&) const = default;
};

// The zone's servers are kept at least this long, whatever the NS TTL.
inline constexpr qint64 minimumTtl = 60;

// From the reply to "NAME SOA": the zone's name, and the chain followed.
struct Apex {
    QString zone;
    QString target;    // where the record lives: NAME or the chain's end
    QStringList chain; // the CNAME targets, normalized as dig +short would
    bool operator==(const Apex&) const = default;
};
std::optional<Apex> apexFrom(const DigResponse& reply, const QString& name, bool followCname);

// `done` runs once, from the event loop, unless `context` is destroyed first.
void find(DigQueue& queue, const QString& name, RecordType type, QObject* context,
          std::function<void(const Found&)> done);

} // namespace ZoneFinder

} // namespace Quello

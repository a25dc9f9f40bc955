#pragma once

#include "model/instant.h"
#include "model/recordtype.h"
#include "query/zoneservers.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

namespace Quello {

class DigQueue;

// Asks every address of the zone's servers directly, without recursion, for
// the watched record and for the zone's SOA (its serial), in one dig run each.
namespace SourceQuery {

// One server's dig output read into an answer comparable with the resolvers'.
SourceAnswer read(const ZoneServers& zone, const SourceServer& server, const QString& output,
                  Instant checkedAt);

// `done` gets one answer per server address, in the zone's order, once all
// are in; it runs from the event loop unless `context` is destroyed first.
void ask(DigQueue& queue, const ZoneServers& zone, RecordType type, QObject* context,
         std::function<Instant()> now, std::function<void(const QList<SourceAnswer>&)> done);

} // namespace SourceQuery

} // namespace Quello

#pragma once

#include "model/instant.h"
#include "model/watch.h"
#include "query/zoneservers.h"
#include "store/sourceverdict.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QUuid>

#include <functional>
#include <optional>

namespace Quello {

class DigQueue;

// The source of every watch: the zone's servers, found once per NS TTL, and
// what they answered at the watch's latest check. Memory only, like results.
class SourceBook {
public:
    // How long a name without a zone we can find is left alone.
    static constexpr double unknownRetry = 300.0;

    struct Entry {
        std::optional<ZoneServers> zone; // none: the source is unknown
        QList<SourceAnswer> answers;

        bool operator==(const Entry&) const = default;
    };

    SourceBook(DigQueue& queries, std::function<Instant()> now);

    // Asks the watch's zone servers, finding them first when they are not
    // known or their TTL has run out. `done` runs once from the event loop,
    // unless `context` goes first; nothing is recorded until `record`.
    void ask(const Watch& watch, QObject* context, std::function<void(const Entry&)> done);

    void record(const QUuid& id, const Entry& entry);
    void forget(const QUuid& id);

    // None before the watch's first check has asked.
    const Entry* entry(const QUuid& id) const;
    SourceVerdict verdict(const QUuid& id) const;

private:
    struct Cached {
        std::optional<ZoneServers> zone;
        Instant until = 0;
    };
    static QString cacheKey(const Watch& watch);

    DigQueue& m_queries;
    std::function<Instant()> m_now;
    QHash<QString, Cached> m_zones; // by name and type: watches of one record share them
    QHash<QUuid, Entry> m_entries;
    // Judged once when recorded: the panel asks for it several times per paint.
    QHash<QUuid, SourceVerdict> m_verdicts;
};

} // namespace Quello

#include "store/sourcebook.h"

#include "query/digqueue.h"
#include "query/sourcequery.h"
#include "query/zonefinder.h"

#include <utility>

namespace Quello {

SourceBook::SourceBook(DigQueue& queries, std::function<Instant()> now)
    : m_queries(queries)
    , m_now(std::move(now)) {}

QString SourceBook::cacheKey(const Watch& watch) {
    return watch.domain + u' ' + rawValue(watch.recordType);
}

void SourceBook::ask(const Watch& watch, QObject* context, std::function<void(const Entry&)> done) {
    const RecordType type = watch.recordType;
    const auto askServers = [this, type, context, done](const std::optional<ZoneServers>& zone) {
        if (!zone) {
            QMetaObject::invokeMethod(
                context, [done] { done(Entry{}); }, Qt::QueuedConnection);
            return;
        }
        SourceQuery::ask(m_queries, *zone, type, context, m_now,
                         [done, zone](const QList<SourceAnswer>& answers) {
                             done(Entry{zone, answers});
                         });
    };

    const QString key = cacheKey(watch);
    const auto cached = m_zones.constFind(key);
    if (cached != m_zones.cend() && m_now() < cached->until) {
        askServers(cached->zone);
        return;
    }
    ZoneFinder::find(m_queries, watch.domain, type, context,
                     [this, key, askServers](const ZoneFinder::Found& found) {
                         if (found.failed) {
                             // The resolver did not answer: ask again next time.
                             m_zones.remove(key);
                         } else {
                             const double keep =
                                 found.servers ? double(found.servers->ttl) : unknownRetry;
                             m_zones.insert(key, Cached{found.servers, m_now() + keep});
                         }
                         askServers(found.servers);
                     });
}

void SourceBook::record(const QUuid& id, const Entry& entry) {
    m_entries.insert(id, entry);
    m_verdicts.insert(id, SourceVerdict::judge(entry.answers));
}

void SourceBook::forget(const QUuid& id) {
    m_entries.remove(id);
    m_verdicts.remove(id);
}

const SourceBook::Entry* SourceBook::entry(const QUuid& id) const {
    const auto it = m_entries.constFind(id);
    return it == m_entries.cend() ? nullptr : &*it;
}

SourceVerdict SourceBook::verdict(const QUuid& id) const {
    return m_verdicts.value(id);
}

} // namespace Quello

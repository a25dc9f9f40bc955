#include "query/zonefinder.h"

#include "model/watchparser.h"
#include "query/digqueue.h"
#include "query/digresponses.h"
#include "query/digrunner.h"

#include <QPointer>
#include <QRegularExpression>

#include <algorithm>
#include <memory>
#include <tuple>
#include <utility>

namespace Quello::ZoneFinder {

namespace {

QString nameKey(const QString& printed) {
    return DigRunner::normalize(printed).toLower();
}

bool isAddress(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^[0-9A-Fa-f:.]+$"));
    return text.contains(u'.') != text.contains(u':') && form.match(text).hasMatch();
}

// The parent of a name that holds a CNAME is in the same zone: an apex
// cannot hold one.
QString parentOf(const QString& name) {
    const qsizetype dot = name.indexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

// -r keeps ~/.digrc out of what is read; one try, as for the resolvers.
QStringList arguments(const QStringList& questions) {
    return DigRunner::fixedOptions() + questions;
}

// The NS names of `zone` and the smallest TTL among them.
std::pair<QStringList, qint64> nameServersFrom(const DigResponse& reply, const QString& zone) {
    QStringList names;
    std::optional<qint64> ttl;
    for (const DigResponse::Record& record : reply.answer) {
        if (record.type != QLatin1String("NS") || nameKey(record.owner) != zone)
            continue;
        const QString name = nameKey(record.rdata);
        if (WatchParser::isValidDomain(name) && !names.contains(name))
            names.append(name);
        ttl = ttl ? std::min(*ttl, record.ttl) : record.ttl;
    }
    names.sort();
    return {names, ttl.value_or(0)};
}

// Every address of every name, in the order of `names`, IPv4 first.
QList<SourceServer> addressesFrom(const QList<DigResponse>& replies, const QStringList& names) {
    QList<SourceServer> servers;
    for (const QString& name : names) {
        for (const QLatin1String type : {QLatin1String("A"), QLatin1String("AAAA")}) {
            QStringList addresses;
            for (const DigResponse& reply : replies) {
                for (const DigResponse::Record& record : reply.answer) {
                    if (record.type == type && nameKey(record.owner) == name
                        && isAddress(record.rdata) && !addresses.contains(record.rdata))
                        addresses.append(record.rdata);
                }
            }
            addresses.sort();
            for (const QString& address : addresses)
                servers.append(SourceServer{name, address});
        }
    }
    return servers;
}

struct Search {
    DigQueue& queue;
    QPointer<QObject> context;
    std::function<void(const Found&)> done;
    Apex apex;
    QStringList nameServers;
    qint64 ttl = 0;

    void finish(Found found) const {
        if (context)
            done(found);
    }
};

// Runs one question; a resolver that gave no response ends the search as
// failed, anything else goes on to `next`.
void askOne(const std::shared_ptr<Search>& search, const QStringList& question,
            std::function<void(const DigResponse&)> next) {
    search->queue.run(arguments(question), search->context,
                      [search, next = std::move(next)](const DigRunner::RawOutcome& outcome) {
                          const auto* output = std::get_if<DigRunner::Output>(&outcome);
                          const DigResponse reply =
                              output ? DigResponse::parse(output->text) : DigResponse{};
                          if (!reply.status)
                              search->finish(Found{std::nullopt, true});
                          else
                              next(reply);
                      });
}

void askAddresses(const std::shared_ptr<Search>& search) {
    QStringList questions;
    for (const QString& server : search->nameServers)
        questions << server << QStringLiteral("A") << server << QStringLiteral("AAAA");
    search->queue.run(
        arguments(questions), search->context, [search](const DigRunner::RawOutcome& outcome) {
            const auto* output = std::get_if<DigRunner::Output>(&outcome);
            const QList<DigResponse> replies =
                output ? DigResponses::each(output->text) : QList<DigResponse>{};
            const QList<SourceServer> servers = addressesFrom(replies, search->nameServers);
            if (servers.isEmpty()) {
                const bool failed = std::none_of(replies.cbegin(), replies.cend(),
                                                 [](const DigResponse& r) { return r.status; });
                search->finish(Found{std::nullopt, failed});
                return;
            }
            search->finish(
                Found{ZoneServers{search->apex.zone, search->apex.target, search->apex.chain,
                                  servers, std::max(search->ttl, minimumTtl)},
                      false});
        });
}

void askNameServers(const std::shared_ptr<Search>& search) {
    askOne(search, {search->apex.zone, QStringLiteral("NS")}, [search](const DigResponse& reply) {
        std::tie(search->nameServers, search->ttl) = nameServersFrom(reply, search->apex.zone);
        if (search->nameServers.isEmpty())
            search->finish(Found{});
        else
            askAddresses(search);
    });
}

void askApex(const std::shared_ptr<Search>& search, const QString& name, bool followCname) {
    askOne(search, {name, QStringLiteral("SOA")},
           [search, name, followCname](const DigResponse& reply) {
               std::optional<Apex> apex = apexFrom(reply, name, followCname);
               if (!apex && !followCname) {
                   // A watched CNAME: its own zone is its parent's.
                   const bool isAlias = std::any_of(reply.answer.cbegin(), reply.answer.cend(),
                                                    [&](const DigResponse::Record& r) {
                                                        return r.type == QLatin1String("CNAME")
                                                               && nameKey(r.owner) == name;
                                                    });
                   if (isAlias && WatchParser::isValidDomain(parentOf(name))) {
                       askApex(search, parentOf(name), true);
                       search->apex.target = name;
                       return;
                   }
               }
               if (!apex) {
                   search->finish(Found{});
                   return;
               }
               // Asked for the parent of a watched CNAME: the record is the name's own.
               const QString target =
                   search->apex.target.isEmpty() ? apex->target : search->apex.target;
               search->apex = *apex;
               search->apex.target = target;
               if (target != apex->target)
                   search->apex.chain.clear();
               askNameServers(search);
           });
}

} // namespace

std::optional<Apex> apexFrom(const DigResponse& reply, const QString& name, bool followCname) {
    Apex apex;
    apex.target = name;
    if (followCname) {
        // The resolver has followed the chain; walk it the same way, at most
        // as far as there are records, so a loop cannot hold us.
        for (qsizetype step = 0; step < reply.answer.size(); ++step) {
            const auto next = std::find_if(
                reply.answer.cbegin(), reply.answer.cend(), [&](const DigResponse::Record& r) {
                    return r.type == QLatin1String("CNAME") && nameKey(r.owner) == apex.target;
                });
            if (next == reply.answer.cend())
                break;
            apex.chain.append(DigRunner::normalize(next->rdata));
            apex.target = nameKey(next->rdata);
        }
    } else if (std::any_of(
                   reply.answer.cbegin(), reply.answer.cend(),
                   [](const DigResponse::Record& r) { return r.type == QLatin1String("CNAME"); })) {
        return std::nullopt;
    }
    const std::optional<DigResponse::Record> soa = reply.firstRecord(u"SOA");
    // An SOA is seven fields, the third its serial; anything else is not one.
    const QStringList fields = soa ? soa->rdata.split(u' ', Qt::SkipEmptyParts) : QStringList();
    bool serial = false;
    if (fields.size() != 7 || (fields.at(2).toUInt(&serial), !serial))
        return std::nullopt;
    apex.zone = nameKey(soa->owner);
    // Whatever the SOA belongs to must hold the target.
    if (!WatchParser::isValidDomain(apex.zone) || !WatchParser::isValidDomain(apex.target)
        || (apex.target != apex.zone && !apex.target.endsWith(u'.' + apex.zone)))
        return std::nullopt;
    return apex;
}

void find(DigQueue& queue, const QString& name, RecordType type, QObject* context,
          std::function<void(const Found&)> done) {
    if (!WatchParser::isValidDomain(name)) {
        // Not a name dig can be asked about: the source stays unknown.
        QMetaObject::invokeMethod(
            context, [done = std::move(done)] { done(Found{}); }, Qt::QueuedConnection);
        return;
    }
    auto search = std::make_shared<Search>(Search{queue, context, std::move(done), {}, {}, 0});
    askApex(search, name, type != RecordType::CNAME);
}

} // namespace Quello::ZoneFinder

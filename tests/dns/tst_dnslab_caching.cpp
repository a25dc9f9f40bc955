// The store against real caches: the lab's caching world (tests/dnslab,
// --world caching) puts one Unbound at each resolver address, in front of
// two Knot servers for example.test. Here the TTLs, statuses and early checks
// meet the thing they are about: caches that hold an old answer until its TTL
// runs out. The store runs on the real clock; TTLs are a few seconds.

#include "dnslab.h"
#include "fakenotifier.h"
#include "memorysettingsstore.h"
#include "model/resolver.h"
#include "store/digstore.h"
#include "store/systemclock.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

using namespace Quello;
using namespace Quello::Test;
using namespace Qt::StringLiterals;

namespace {

// What a resolver's cache says is left of NAME's answer, read without a query.
std::optional<qint64> cacheTtl(const QString& resolver, const QString& name,
                               const QString& type = u"A"_s) {
    QProcess process;
    process.start(DnsLab::program(), {u"ttl"_s, resolver, name, type});
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return std::nullopt;
    bool ok = false;
    const qint64 ttl = QString::fromUtf8(process.readAllStandardOutput()).trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(ttl) : std::nullopt;
}

// The lab names its resolvers by their ids.
const Resolver& resolverAt(int i) {
    return Resolver::all().at(static_cast<size_t>(i));
}

} // namespace

class TestDnslabCaching : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    MemorySettingsStore m_settings;
    FakeNotifier m_notifier;
    SystemClock m_clock;
    std::unique_ptr<DigStore> m_store;

    // dig runs so far: the store's dig is a script that counts, then runs dig.
    int digRuns() const {
        QFile count(m_dir.filePath(u"runs"_s));
        return count.open(QIODevice::ReadOnly) ? static_cast<int>(count.readAll().size()) : 0;
    }
    QUuid addWatch(const QString& domain, RecordType type, const std::optional<QString>& expected) {
        if (!m_store->add(domain, type, expected))
            return {};
        const QUuid id = m_store->watches().constLast().id;
        // Null unless the check add() starts has ended.
        const bool checked = QTest::qWaitFor(
            [&] {
                return m_store->results().value(id).size() == 4 && m_store->isChecking().isEmpty();
            },
            15000);
        return checked ? id : QUuid();
    }
    ResolverResult result(const QUuid& id, int resolver) const {
        return m_store->results().value(id).value(resolverAt(resolver).id);
    }

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariable("DNSLAB_WORLD") != u"caching"_s)
            QSKIP("needs the lab's caching world: dnslab run --world caching -- ctest -L dns");
        QVERIFY(m_dir.isValid());
        QFile dig(m_dir.filePath(u"dig"_s));
        QVERIFY(dig.open(QIODevice::WriteOnly));
        // Only the resolvers' runs count: those asking the zone's own servers
        // (+norecurse) or looking for them (SOA, NS, several names) do not.
        dig.write("#!/bin/sh\ncase \" $* \" in *\" +norecurse \"* | *\" SOA \"* | *\" NS \"*) ;;\n"
                  "*) [ $# -le 10 ] && printf . >>\"$(dirname \"$0\")/runs\" ;;\nesac\n"
                  "exec /usr/bin/dig \"$@\"\n");
        dig.close();
        QVERIFY(dig.setPermissions(dig.permissions() | QFileDevice::ExeOwner));
    }
    void init() {
        QVERIFY(DnsLab::runCommands(u"reset"_s));
        QFile::remove(m_dir.filePath(u"runs"_s));
        m_notifier.notifications.clear();
        m_store = std::make_unique<DigStore>(StoreServices{.settings = m_settings,
                                                           .notifier = m_notifier,
                                                           .clock = m_clock,
                                                           .digProgram = m_dir.filePath(u"dig"_s)});
        QTest::qWait(10); // the launch check of the empty list
    }
    void cleanup() { m_store.reset(); }

    // Every status a check can end in, with the remaining TTL beside the
    // cache's own where the answer has one.
    void statusAndExpiryAsTheCachesHaveThem_data() {
        QTest::addColumn<QString>("setup"); // lab commands, separated by ";"
        QTest::addColumn<QString>("domain");
        QTest::addColumn<RecordType>("type");
        QTest::addColumn<QList<AnswerStatus>>("statuses"); // in Resolver::all() order

        using S = AnswerStatus;
        const auto all = [](S s) { return QList<S>{s, s, s, s}; };
        QTest::newRow("CNAME chain: its smallest TTL")
            << u"set|all|www.example.test|CNAME|30|host.example.test.;"
               "set|all|host.example.test|A|7|192.0.2.1|192.0.2.2"_s
            << u"www.example.test"_s << RecordType::A << all(S::NoError);
        QTest::newRow("multi-record TXT")
            << uR"(set|all|txt.example.test|TXT|9|"v=spf1 -all" "two"|"other")"_s
            << u"txt.example.test"_s << RecordType::TXT << all(S::NoError);
        QTest::newRow("no such name: the SOA's TTL")
            << u"negttl|all|6"_s << u"nothing.example.test"_s << RecordType::A
            << all(S::NoSuchName);
        QTest::newRow("no record of this type: the SOA's TTL")
            << u"negttl|all|5;set|all|one.example.test|A|60|192.0.2.1"_s << u"one.example.test"_s
            << RecordType::MX << all(S::NoData);
        QTest::newRow("server failure")
            << u"fail|all|down.example.test|servfail"_s << u"down.example.test"_s << RecordType::A
            << all(S::ServerFailure);
        QTest::newRow("refused, timed out, connection refused, no route")
            << u"fail|system|x.example.test|refused;freeze|cloudflare;stop|google;unplug|quad9"_s
            << u"x.example.test"_s << RecordType::A
            << QList<S>{S::Refused, S::TimedOut, S::ConnectionRefused, S::Unreachable};
    }

    void statusAndExpiryAsTheCachesHaveThem() {
        QFETCH(QString, setup);
        QFETCH(QString, domain);
        QFETCH(RecordType, type);
        QFETCH(QList<AnswerStatus>, statuses);
        QVERIFY(DnsLab::runCommands(setup));

        const QUuid id = addWatch(domain, type, std::nullopt);
        QVERIFY(!id.isNull());
        for (int i = 0; i < 4; ++i) {
            const ResolverResult r = result(id, i);
            QCOMPARE(r.status, std::optional<AnswerStatus>(statuses[i]));
            const bool cached = statuses[i] == AnswerStatus::NoError
                                || statuses[i] == AnswerStatus::NoSuchName
                                || statuses[i] == AnswerStatus::NoData;
            QCOMPARE(r.ttl.has_value(), cached);
            if (!cached)
                continue;
            // The cache keeps the entry for more than its TTL and at most a
            // second longer; the shown expiry is within 2 s of that.
            const std::optional<qint64> left = cacheTtl(resolverAt(i).id, domain, rawValue(type));
            const double readAt = m_clock.now();
            QVERIFY2(left, qPrintable(resolverAt(i).id));
            const std::optional<Instant> shown =
                m_store->expiryOf(*m_store->watch(id), resolverAt(i));
            QVERIFY(shown);
            QCOMPARE_LE(std::abs(*shown - (readAt + static_cast<double>(*left) + 0.5)), 2.0);
        }
    }

    // A record changed after the four caches took it at staggered moments:
    // the watch is checked right after the last of them lets go, settles
    // within 2 s of it with one notification, and costs no more dig runs
    // than the one-minute schedule would: the launch check and one more.
    void settlesRightAfterTheLastCacheTurns_data() {
        QTest::addColumn<QString>("initial"); // lab commands before the primings
        QTest::addColumn<QString>("changed"); // lab commands after them
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("expected");

        QTest::newRow("a changed address") << u"set|all|moving.example.test|A|6|192.0.2.1"_s
                                           << u"set|all|moving.example.test|A|6|192.0.2.2"_s
                                           << u"moving.example.test"_s << u"192.0.2.2"_s;
        // A name created after the caches said it does not exist stays
        // unseen for the negative-caching time (the SOA minimum).
        QTest::newRow("a new name behind its negative answer")
            << u"negttl|all|6"_s << u"set|all|new.example.test|A|60|192.0.2.5"_s
            << u"new.example.test"_s << u"192.0.2.5"_s;
    }

    void settlesRightAfterTheLastCacheTurns() {
        QFETCH(QString, initial);
        QFETCH(QString, changed);
        QFETCH(QString, domain);
        QFETCH(QString, expected);
        QVERIFY(DnsLab::runCommands(initial));
        for (const Resolver& resolver : Resolver::all()) {
            QVERIFY(DnsLab::runCommands(u"prime|"_s + resolver.id + u'|' + domain));
            QTest::qWait(700);
        }
        QVERIFY(DnsLab::runCommands(changed));
        const int runsBefore = digRuns();

        const QUuid id = addWatch(domain, RecordType::A, expected);
        QVERIFY(!id.isNull());
        QVERIFY(!m_store->watch(id)->settledAt);
        // The last cache lets go of the old answer at the whole second after
        // its TTL has run out: the resolver counts whole seconds of the wall
        // clock. Read from the cache within one second, not asked.
        std::optional<double> expiry;
        for (int tries = 0; !expiry && tries < 3; ++tries) {
            const double before = std::floor(m_clock.now());
            const std::optional<qint64> left = cacheTtl(u"quad9"_s, domain);
            QVERIFY(left);
            if (std::floor(m_clock.now()) == before)
                expiry = before + static_cast<double>(*left) + 1;
        }
        QVERIFY(expiry);
        QVERIFY(QTest::qWaitFor([&] { return !m_notifier.notifications.isEmpty(); }, 15000));
        QVERIFY(m_store->watch(id)->settledAt);
        QCOMPARE_LE(*m_store->watch(id)->settledAt - *expiry, 2.0);
        QTest::qWait(1500);
        QCOMPARE(m_notifier.notifications.size(), 1);
        QCOMPARE_LE(digRuns() - runsBefore, 8);
    }

    // A lagging authoritative server hands the old answer out again with a
    // new TTL: the early check finds it, and the watch gets a later time.
    void aLaggingServerGivesTheOldAnswerANewExpiry() {
        QVERIFY(DnsLab::runCommands(u"set|all|lag.example.test|A|5|192.0.2.1"_s));
        QVERIFY(DnsLab::runCommands(u"prime|all|lag.example.test"_s));
        QVERIFY(DnsLab::runCommands(u"set|ns1|lag.example.test|A|5|192.0.2.2"_s));
        QVERIFY(DnsLab::runCommands(u"stop|ns1"_s)); // only the lagging ns2 answers now
        const QUuid id = addWatch(u"lag.example.test"_s, RecordType::A, u"192.0.2.2"_s);
        const std::optional<Instant> firstEta = m_store->etaOf(*m_store->watch(id));
        QVERIFY(firstEta);

        QVERIFY(QTest::qWaitFor([&] { return result(id, 3).checkedAt > *firstEta; }, 8000));
        QVERIFY(QTest::qWaitFor([&] { return m_store->isChecking().isEmpty(); }, 8000));
        QCOMPARE(result(id, 3).values, QStringList{u"192.0.2.1"_s});
        const std::optional<Instant> secondEta = m_store->etaOf(*m_store->watch(id));
        QVERIFY(secondEta);
        QCOMPARE_GT(*secondEta, *firstEta + 1);
        QVERIFY(!m_store->watch(id)->settledAt);
        QVERIFY(m_notifier.notifications.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDnslabCaching)
#include "tst_dnslab_caching.moc"

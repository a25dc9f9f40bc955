#include "fakezone.h"
#include "query/digrunner.h"
#include "store/consensus.h"
#include "store/sourcetext.h"
#include "store/statustext.h"
#include "storefixture.h"

#include <QTest>

using namespace Quello;
using namespace Quello::Test;

namespace {

QStringList list(std::initializer_list<const char*> items) {
    QStringList result;
    for (const char* item : items)
        result.append(QString::fromUtf8(item));
    return result;
}

QStringList four(const char* output) {
    return list({output, output, output, output});
}

std::optional<QString> optional(const QString& text) {
    return text.isNull() ? std::nullopt : std::optional(text);
}

// The zone's servers ns1, ns2, ... answering "VALUES@SERIAL" (values split
// at ","; none: no such name), "!" (silent) or "-" (no route from here).
SourceBook::Entry sourceOf(const QStringList& servers) {
    ZoneServers zone{QStringLiteral("example.test"), QStringLiteral("example.test"), {}, {}, 60};
    QList<SourceAnswer> answers;
    for (qsizetype i = 0; i < servers.size(); ++i) {
        SourceAnswer answer;
        answer.server = {QStringLiteral("ns%1.example.test").arg(i + 1),
                         QStringLiteral("127.0.1.%1").arg(i + 1)};
        if (servers[i] == u'!') {
            answer.problem = SourceAnswer::Problem::TimedOut;
        } else if (servers[i] == u'-') {
            answer.problem = SourceAnswer::Problem::NoRoute;
        } else {
            const QStringList parts = servers[i].split(u'@');
            answer.values = parts[0].split(u',', Qt::SkipEmptyParts);
            answer.serial = parts[1].toUInt();
        }
        zone.servers.append(answer.server);
        answers.append(answer);
    }
    return {zone, answers};
}

// One result per output in Resolver::all() order; "!" is a failed query.
Consensus::ResultMap resultsOf(const QStringList& outputs) {
    Consensus::ResultMap results;
    for (qsizetype i = 0; i < outputs.size(); ++i) {
        const bool failed = outputs[i].startsWith(u'!');
        results.insert(Resolver::all().at(size_t(i)).id,
                       {failed ? QStringList() : DigRunner::valuesFromOutput(outputs[i]), failed});
    }
    return results;
}

// Per resolver: P problem, D ok but lagging, O ok.
QString letters(const Watch& watch, const Consensus::ResultMap& results,
                const SourceVerdict& verdict = {}) {
    QString result;
    const QList<Resolver> lagging = Consensus::lagging(watch, results, verdict);
    for (const Resolver& r : Resolver::all())
        result += Consensus::status(watch, results, r, verdict) == ResolverStatus::Problem ? u'P'
                  : lagging.contains(r)                                                    ? u'D'
                                                                                           : u'O';
    return result;
}

} // namespace

class TestConsensus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decisions_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("expected"); // null: none
        QTest::addColumn<QStringList>("outputs");
        QTest::addColumn<QString>("consensus"); // null: none
        QTest::addColumn<bool>("settled");
        QTest::addColumn<QString>("statuses");

        const char* one = "192.0.2.1\n";
        const char* two = "192.0.2.2\n";
        const char* mx = "10 mx.example.test.\n";
        const QString none;

        // clang-format off
        QTest::newRow("all agree")
            << "A" << none << four(one) << "192.0.2.1" << true << "OOOO";
        QTest::newRow("one failed")
            << "A" << none << list({one, one, one, "!9"}) << "192.0.2.1" << false << "OOOP";
        QTest::newRow("case differs")
            << "CNAME" << none << list({"host.example.test.", "Host.Example.Test.",
                                        "host.example.test.", "host.example.test."})
            << "host.example.test" << false << "ODOO";
        QTest::newRow("tie goes to the first resolver")
            << "A" << none << list({two, one, one, two}) << "192.0.2.2" << false << "ODDO";
        QTest::newRow("nobody answered")
            << "A" << none << list({"", "!9", "", "!9"}) << none << false << "PPPP";
        QTest::newRow("expected host of MX")
            << "MX" << "MX.Example.TEST." << four(mx) << "10 mx.example.test" << true << "OOOO";
        QTest::newRow("expected is not a substring")
            << "MX" << "example.test" << four(mx) << "10 mx.example.test" << false << "PPPP";
        QTest::newRow("expected quoted TXT with spaces")
            << "TXT" << " \"v=spf1 -all\" " << four("\"v=spf1 -all\"\n") << "v=spf1 -all" << true
            << "OOOO";
        QTest::newRow("expected matches differing answers")
            << "A" << "192.0.2.1" << list({"192.0.2.1\n192.0.2.2\n", one, one, one}) << "192.0.2.1"
            << true << "OOOO";
        QTest::newRow("one does not match")
            << "A" << "192.0.2.1" << list({one, one, two, one}) << "192.0.2.1" << false << "OOPO";
        QTest::newRow("expected empty quotes")
            << "TXT" << "\"\"" << four("\"\"\n\"x\"\n") << "x" << false << "PPPP";
        // Several strings of one TXT record count as the text they join to;
        // the answer key stays as dig printed them.
        const char* dkim = "\"v=DKIM1; k=rsa; p=MIIB\" \"IjAN\"\n";
        QTest::newRow("TXT strings joined")
            << "TXT" << "v=DKIM1; k=rsa; p=MIIBIjAN" << four(dkim)
            << "v=DKIM1; k=rsa; p=MIIB\" \"IjAN" << true << "OOOO";
        QTest::newRow("TXT one word of the joined text")
            << "TXT" << "p=MIIBIjAN" << four(dkim) << "v=DKIM1; k=rsa; p=MIIB\" \"IjAN" << true
            << "OOOO";
        QTest::newRow("TXT as printed still matches")
            << "TXT" << "v=DKIM1; k=rsa; p=MIIB\" \"IjAN" << four(dkim)
            << "v=DKIM1; k=rsa; p=MIIB\" \"IjAN" << true << "OOOO";
        QTest::newRow("TXT escapes decoded")
            << "TXT" << "say \"hi\" \\o/" << four("\"say \\\"hi\\\" \\\\o/\"\n")
            << "say \\\"hi\\\" \\\\o/" << true << "OOOO";
        QTest::newRow("TXT UTF-8 from decimal escapes")
            << "TXT" << "it\u2019s caf\u00c9" << four("\"it\\226\\128\\153s caf\\195\\169\"\n")
            << "it\\226\\128\\153s caf\\195\\169" << true << "OOOO";
        QTest::newRow("TXT invalid UTF-8 never matches")
            << "TXT" << "caf" << four("\"caf\\195\"\n") << "caf\\195" << false << "PPPP";
        QTest::newRow("TXT joined text only for TXT")
            << "CNAME" << "a b.example.test" << four("a\\032b.example.test.\n")
            << "a\\032b.example.test" << false << "PPPP";
        // clang-format on
    }

    void decisions() {
        QFETCH(QString, type);
        QFETCH(QString, expected);
        QFETCH(QStringList, outputs);
        QFETCH(QString, consensus);
        QFETCH(bool, settled);
        QFETCH(QString, statuses);

        const Watch watch = savedWatch(QStringLiteral("example.test"),
                                       *recordTypeFromRawValue(type), optional(expected));
        const Consensus::ResultMap results = resultsOf(outputs);
        QCOMPARE(Consensus::value(watch, results), optional(consensus));
        QCOMPARE(Consensus::isSettled(watch, results), settled);
        QCOMPARE(letters(watch, results), statuses);
    }

    // Seconds left count up to the next whole one: an entry with 0.2 s to go
    // is still cached; an estimate beyond a minute rounds up to minutes.
    void statusTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("cached") << StatusText::cachedFor(1101.2, 1000) << "cached 1 min 42 s more";
        QTest::newRow("cache past") << StatusText::cachedFor(1000, 1000) << "cache expiring";
        QTest::newRow("eta seconds") << StatusText::eta(1000.2, 1000) << "about 1 s";
        QTest::newRow("eta minutes") << StatusText::eta(1150, 1000) << "about 3 min";
        QTest::newRow("eta hours") << StatusText::eta(4700, 1000) << "about 1 h 2 min";
        QTest::newRow("eta past") << StatusText::eta(999, 1000) << "any moment now";
        QTest::newRow("NODATA") << *StatusText::answerStatus(AnswerStatus::NoData)
                                << "no record of this type";
    }

    void statusTexts() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }

    // Without an expected value, the zone's own servers say which answer the
    // four must agree on; with one, they only explain why it is missing.
    void sourceRules_data() {
        QTest::addColumn<QString>("expected"); // null: none
        QTest::addColumn<QStringList>("outputs");
        QTest::addColumn<QStringList>("servers");
        QTest::addColumn<bool>("settled");
        QTest::addColumn<QString>("statuses");
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<QString>("details");

        const char* one = "192.0.2.1\n";
        const char* two = "192.0.2.2\n";
        const QString none;
        const QString served = QStringLiteral("192.0.2.2 \u00b7 2 of 2 servers, serial 5");
        const QString old = QStringLiteral("resolvers agree on the old answer");
        const QString ns2Lags = QStringLiteral("servers disagree: ns2 still has 192.0.2.1");
        // clang-format off
        QTest::newRow("caches agree on the answer being replaced")
            << none << four(one) << list({"192.0.2.2@5", "192.0.2.2@5"}) << false << "PPPP" << old << served;
        QTest::newRow("all four serve the source's answer")
            << none << four(two) << list({"192.0.2.2@5", "192.0.2.2@5"}) << true << "OOOO" << "" << served;
        QTest::newRow("servers tie: unsettled, the older serial lags")
            << none << four(two) << list({"192.0.2.2@5", "192.0.2.1@4"}) << false << "DDDD" << ns2Lags << ns2Lags;
        QTest::newRow("most servers decide")
            << none << four(two) << list({"192.0.2.2@5", "192.0.2.1@4", "192.0.2.2@5"}) << true << "OOOO" << ""
            << "192.0.2.2 \u00b7 2 of 3 servers, serial 5 \u00b7 servers disagree: ns2 still has 192.0.2.1";
        QTest::newRow("a silent server is named, the others decide")
            << none << four(two) << list({"192.0.2.2@5", "!"}) << true << "OOOO" << ""
            << "192.0.2.2 \u00b7 1 of 2 servers, serial 5 \u00b7 ns2 does not answer";
        QTest::newRow("an address without a route from here is not counted")
            << none << four(two) << list({"192.0.2.2@5", "-"}) << true << "OOOO" << ""
            << "192.0.2.2 \u00b7 1 of 1 servers, serial 5";
        QTest::newRow("no server answers: the rule without a source")
            << none << four(one) << list({"!", "!"}) << true << "OOOO" << "" << "unknown";
        QTest::newRow("record deleted at the source, still cached")
            << none << four(one) << list({"@6", "@6"}) << false << "PPPP" << old
            << "no record \u00b7 2 of 2 servers, serial 6";
        QTest::newRow("expected value not published")
            << "192.0.2.2" << four(one) << list({"192.0.2.1@4", "192.0.2.1@4"}) << false << "PPPP"
            << "not published yet" << "not published yet";
        QTest::newRow("expected value on one server only")
            << "192.0.2.2" << four(one) << list({"192.0.2.2@5", "192.0.2.1@4"}) << false << "PPPP" << ns2Lags << ns2Lags;
        QTest::newRow("expected value: the resolvers settle it as before")
            << "192.0.2.2" << four(two) << list({"192.0.2.2@5", "192.0.2.1@4"}) << true << "OOOO" << ns2Lags << ns2Lags;
        // clang-format on
    }

    void sourceRules() {
        QFETCH(QString, expected);
        QFETCH(QStringList, outputs);
        QFETCH(QStringList, servers);
        QFETCH(bool, settled);
        QFETCH(QString, statuses);
        QFETCH(QString, blocker);
        QFETCH(QString, details);

        const Watch watch =
            savedWatch(QStringLiteral("example.test"), RecordType::A, optional(expected));
        const Consensus::ResultMap results = resultsOf(outputs);
        const SourceBook::Entry source = sourceOf(servers);
        const SourceVerdict verdict = SourceVerdict::judge(source.answers);

        QCOMPARE(Consensus::isSettled(watch, results, verdict), settled);
        QCOMPARE(letters(watch, results, verdict), statuses);
        QCOMPARE(SourceText::blocker(watch, &source, results), blocker);
        QCOMPARE(SourceText::details(watch, &source), details);
    }

    // The store finds the zone's servers through the system resolver, asks
    // each directly, and settles only once the caches serve what they serve.
    void storeAsksTheSource_data() {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QStringList>("chain");
        QTest::addColumn<QString>("servedName"); // what the servers are asked for
        QTest::addColumn<QString>("oldValue");
        QTest::addColumn<QString>("newValue");

        // clang-format off
        QTest::newRow("A record")
            << "www.example.test" << "A" << QStringList() << "www.example.test" << "192.0.2.1" << "192.0.2.2";
        QTest::newRow("CNAME'd challenge followed to its target")
            << "_acme-challenge.example.test" << "TXT"
            << list({"_acme-challenge.example.test t.auth.example.test"}) << "t.auth.example.test"
            << "\"old\"" << "\"new\"";
        // clang-format on
    }

    void storeAsksTheSource() {
        QFETCH(QString, domain);
        QFETCH(QString, type);
        QFETCH(QStringList, chain);
        QFETCH(QString, servedName);
        QFETCH(QString, oldValue);
        QFETCH(QString, newValue);

        StoreFixture f;
        const FakeZone zone{f.dig};
        zone.publish(domain, chain);
        for (const QString& server : {FakeZone::ns1, FakeZone::ns2})
            zone.serve(server, servedName, type, {newValue}, 5);
        // The resolvers print the chain first, as dig +short does.
        const QString prefix = chain.isEmpty() ? QString() : servedName + QStringLiteral(".\n");
        f.answerAll(prefix + oldValue + u'\n');
        const QUuid id = f.addAndCheck(domain, *recordTypeFromRawValue(type));
        QVERIFY(!id.isNull());
        const Watch* watch = f.store->watch(id);
        QVERIFY(!watch->settledAt);
        QCOMPARE(
            SourceText::blocker(*watch, f.store->source().entry(id), f.store->results().value(id)),
            QStringLiteral("resolvers agree on the old answer"));
        const auto asked = [&](const QString& server) {
            const QList<QStringList> calls = f.dig.calls();
            return std::any_of(calls.cbegin(), calls.cend(), [&](const QStringList& c) {
                return c.contains(u'@' + server) && c.contains(QStringLiteral("+norecurse"))
                       && c.contains(servedName) && c.contains(type);
            });
        };
        QVERIFY(asked(FakeZone::ns1) && asked(FakeZone::ns2));

        f.answerAll(prefix + newValue + u'\n');
        QVERIFY(f.checkNow(id));
        QVERIFY(f.store->watch(id)->settledAt);
        QCOMPARE(f.notifier.notifications.size(), 1);
        QCOMPARE(f.notifier.notifications.first().body,
                 QStringLiteral("All resolvers now return ")
                     + Consensus::value(*f.store->watch(id), f.store->results().value(id)).value());
        QVERIFY(f.notifier.notifications.first().body.contains(DigRunner::normalize(newValue)));
    }

    void settleTransitions_data() {
        QTest::addColumn<QStringList>("rounds");   // ok, fail (one resolver) or split
        QTest::addColumn<QString>("settledAfter"); // per round: S settled, P pending
        QTest::addColumn<int>("saves");
        QTest::addColumn<int>("notifications");

        QTest::newRow("stays settled") << list({"ok", "ok"}) << "SS" << 1 << 1;
        QTest::newRow("falls back silently") << list({"ok", "fail"}) << "SP" << 2 << 1;
        QTest::newRow("settles again") << list({"ok", "split", "ok"}) << "SPS" << 3 << 2;
        QTest::newRow("never agrees") << list({"split", "fail"}) << "PP" << 0 << 0;
        // No server reached (offline, or the network not back after a
        // wake-up) says nothing about the record.
        QTest::newRow("unreached keeps it settled")
            << list({"ok", "unreached", "ok"}) << "SSS" << 1 << 1;
        QTest::newRow("unreached keeps it pending") << list({"unreached", "ok"}) << "PS" << 1 << 1;
        QTest::newRow("one server reached falls back")
            << list({"ok", "one reached"}) << "SP" << 2 << 1;
    }

    void settleTransitions() {
        QFETCH(QStringList, rounds);
        QFETCH(QString, settledAfter);
        QFETCH(int, saves);
        QFETCH(int, notifications);

        StoreFixture f;
        DigStore& store = f.start(savedWatches(1));
        QVERIFY(f.launchChecksDone()); // empty answers: pending
        const QUuid id = store.watches().first().id;
        QList<qsizetype> notificationsAtSaves;
        f.settings.onWrite = [&](const auto&) {
            notificationsAtSaves.append(f.notifier.notifications.size());
        };

        std::optional<Instant> settledAt;
        for (qsizetype i = 0; i < rounds.size(); ++i) {
            const QString one = QStringLiteral("192.0.2.1\n");
            if (rounds[i] == QLatin1String("ok"))
                f.answerAll(one);
            else if (rounds[i] == QLatin1String("fail"))
                f.answer({one, one, QStringLiteral("!9"), one});
            else if (rounds[i] == QLatin1String("unreached"))
                f.answerAll(QStringLiteral("!9"));
            else if (rounds[i] == QLatin1String("one reached"))
                f.answer({QStringLiteral("!9"), QStringLiteral("!9"), QStringLiteral("!9"), one});
            else
                f.answer({one, one, QStringLiteral("192.0.2.2\n"), one});
            f.clock.setNow(f.clock.now() + 100);
            QVERIFY(f.checkNow(id));

            const Watch w = *store.watch(id);
            if (settledAfter[i] == u'S') {
                // Only a new settling takes the time; staying settled keeps it.
                if (!settledAt)
                    settledAt = f.clock.now();
                QCOMPARE(w.settledAt, settledAt);
            } else {
                QCOMPARE(w.settledAt, std::nullopt);
                settledAt.reset();
            }
        }
        QCOMPARE(f.settings.writes.size(), saves);
        if (saves > 0)
            QCOMPARE(f.settings.values.value(DigStore::settingsKey),
                     WatchListCodec::encode(store.watches()));
        QCOMPARE(f.notifier.notifications.size(), notifications);
        // Each settling is saved before it is posted.
        for (qsizetype n = 1; n <= notifications; ++n)
            QVERIFY(notificationsAtSaves.contains(n - 1));
    }
};

QTEST_GUILESS_MAIN(TestConsensus)
#include "tst_consensus.moc"

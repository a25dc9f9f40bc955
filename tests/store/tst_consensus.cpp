#include "query/digrunner.h"
#include "store/consensus.h"
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
        Consensus::ResultMap results;
        for (qsizetype i = 0; i < outputs.size(); ++i) {
            const bool failed = outputs[i].startsWith(u'!');
            results.insert(
                Resolver::all().at(size_t(i)).id,
                {failed ? QStringList() : DigRunner::valuesFromOutput(outputs[i]), failed});
        }
        QCOMPARE(Consensus::value(watch, results), optional(consensus));
        QCOMPARE(Consensus::isSettled(watch, results), settled);
        QString letters; // per resolver: P problem, D ok but lagging, O ok
        const QList<Resolver> lagging = Consensus::lagging(watch, results);
        for (const Resolver& r : Resolver::all())
            letters += Consensus::status(watch, results, r) == ResolverStatus::Problem ? u'P'
                       : lagging.contains(r)                                           ? u'D'
                                                                                       : u'O';
        QCOMPARE(letters, statuses);
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

    void settleTransitions_data() {
        QTest::addColumn<QStringList>("rounds");   // ok, fail (one resolver) or split
        QTest::addColumn<QString>("settledAfter"); // per round: S settled, P pending
        QTest::addColumn<int>("saves");
        QTest::addColumn<int>("notifications");

        QTest::newRow("stays settled") << list({"ok", "ok"}) << "SS" << 1 << 1;
        QTest::newRow("falls back silently") << list({"ok", "fail"}) << "SP" << 2 << 1;
        QTest::newRow("settles again") << list({"ok", "split", "ok"}) << "SPS" << 3 << 2;
        QTest::newRow("never agrees") << list({"split", "fail"}) << "PP" << 0 << 0;
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

// The store against the real dig and real DNS servers: the lab (tests/dnslab)
// runs one dnsmasq per resolver address in a private network namespace, and
// these tests change its world with "$DNSLAB <command>" between checks.

#include "fakeclock.h"
#include "fakenotifier.h"
#include "memorysettingsstore.h"
#include "model/resolver.h"
#include "model/watchlistcodec.h"
#include "store/digstore.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <memory>

using namespace Quello;
using namespace Quello::Test;

namespace {

const QString digPath = QStringLiteral("/usr/bin/dig");

QString resolverId(int index) {
    return Resolver::all().at(static_cast<size_t>(index)).id;
}

// One lab command, its arguments separated by "|": "set-txt|all|x.test|two words".
QStringList command(const char* text) {
    return QString::fromUtf8(text).split(u'|');
}

using Commands = QList<QStringList>;

} // namespace

class TestDnslabStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void agreeingResolversSettleWithOneNotification_data();
    void agreeingResolversSettleWithOneNotification();
    void halfChangedStaysPendingThenSettles();
    void expectedMatchesAnswerInAnotherCase_data();
    void expectedMatchesAnswerInAnotherCase();
    void neverSettlesOnEmptyAnswers_data();
    void neverSettlesOnEmptyAnswers();
    void valuesAsTheRealOutputConverts_data();
    void valuesAsTheRealOutputConverts();
    void answersWithoutRecordsAreEmptyNotFailed_data();
    void answersWithoutRecordsAreEmptyNotFailed();
    void unreachableAndSilentServersFail();
    void settledWatchFallsBackAndSettlesAgain_data();
    void settledWatchFallsBackAndSettlesAgain();
    void silentServerDoesNotHoldUpOtherWatches();
    void manyWatchesAtOnceStayWithinTheBound();

private:
    // Runs "$DNSLAB args..." and fails the test when it fails.
    [[nodiscard]] bool lab(const QStringList& args);
    [[nodiscard]] bool lab(const char* args) { return lab(command(args)); }
    DigStore& startStore(const QList<Watch>& saved = {});
    // Adds a watch and waits for its first check.
    [[nodiscard]] QUuid addAndCheck(const QString& domain, RecordType type,
                                    const std::optional<QString>& expected = std::nullopt);
    [[nodiscard]] bool checkNow(const QUuid& id);
    ResolverResult result(const QUuid& id, const QString& resolver) const;

    QString m_lab;
    MemorySettingsStore m_settings;
    FakeNotifier m_notifier;
    FakeClock m_clock;
    std::unique_ptr<DigStore> m_store;
};

bool TestDnslabStore::lab(const QStringList& args) {
    QProcess process;
    process.start(m_lab, args);
    const bool finished = process.waitForFinished(30000);
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning("dnslab %s failed (%s, status %d): %s%s", qPrintable(args.join(u' ')),
                 finished ? "exited" : "did not finish", process.exitCode(),
                 process.readAllStandardError().constData(), qPrintable(process.errorString()));
        return false;
    }
    return true;
}

void TestDnslabStore::initTestCase() {
    m_lab = QProcessEnvironment::systemEnvironment().value(QStringLiteral("DNSLAB"));
    if (m_lab.isEmpty())
        QSKIP("needs the DNS lab: run through tests/dnslab/dnslab run -- ctest -L dns");
    if (!QFileInfo(digPath).isExecutable())
        QSKIP("needs /usr/bin/dig (package bind9-dnsutils)");
}

void TestDnslabStore::init() {
    QVERIFY(lab("reset"));
    m_settings.values.clear();
    m_settings.writes.clear();
    m_notifier.notifications.clear();
    m_notifier.permissionRequests = 0;
}

void TestDnslabStore::cleanup() {
    m_store.reset();
}

DigStore& TestDnslabStore::startStore(const QList<Watch>& saved) {
    if (!saved.isEmpty())
        m_settings.values.insert(DigStore::settingsKey, WatchListCodec::encode(saved));
    m_store = std::make_unique<DigStore>(StoreServices{
        .settings = m_settings, .notifier = m_notifier, .clock = m_clock, .digProgram = digPath});
    return *m_store;
}

QUuid TestDnslabStore::addAndCheck(const QString& domain, RecordType type,
                                   const std::optional<QString>& expected) {
    if (!m_store)
        startStore();
    if (!m_store->add(domain, type, expected))
        return {};
    const QUuid id = m_store->watches().constLast().id;
    const bool done = QTest::qWaitFor(
        [&] { return m_store->results().contains(id) && !m_store->isChecking().contains(id); },
        15000);
    return done ? id : QUuid();
}

bool TestDnslabStore::checkNow(const QUuid& id) {
    bool done = false;
    m_store->check(id, [&done] { done = true; });
    return QTest::qWaitFor([&] { return done; }, 15000);
}

ResolverResult TestDnslabStore::result(const QUuid& id, const QString& resolver) const {
    return m_store->results().value(id).value(resolver);
}

// --- Settling ---------------------------------------------------------------

void TestDnslabStore::agreeingResolversSettleWithOneNotification_data() {
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<QString>("body");

    QTest::newRow("one address") << QStringList{QStringLiteral("192.0.2.10")}
                                 << QStringLiteral("All resolvers now return 192.0.2.10");
    // dnsmasq hands out several records in a rotating order; the runner sorts.
    QTest::newRow("three addresses, rotating")
        << QStringList{QStringLiteral("192.0.2.3"), QStringLiteral("192.0.2.1"),
                       QStringLiteral("192.0.2.2")}
        << QStringLiteral("All resolvers now return 192.0.2.1, 192.0.2.2, 192.0.2.3");
}

void TestDnslabStore::agreeingResolversSettleWithOneNotification() {
    QFETCH(QStringList, addresses);
    QFETCH(QString, body);
    const QString domain = QStringLiteral("agree.lab.test");
    QVERIFY(lab(command("set-a|all") + QStringList{domain} + addresses));

    const QUuid id = addAndCheck(domain, RecordType::A);
    QVERIFY(!id.isNull());
    QVERIFY(m_store->watch(id)->settledAt);
    QCOMPARE(m_notifier.notifications.size(), 1);
    QCOMPARE(m_notifier.notifications.first().watchId, id);
    QCOMPARE(m_notifier.notifications.first().title, QStringLiteral("agree.lab.test A propagated"));
    QCOMPARE(m_notifier.notifications.first().body, body);

    // Still agreeing on the next check: nothing more is posted.
    QVERIFY(checkNow(id));
    QVERIFY(m_store->watch(id)->settledAt);
    QCOMPARE(m_notifier.notifications.size(), 1);
}

void TestDnslabStore::halfChangedStaysPendingThenSettles() {
    const QString domain = QStringLiteral("moving.lab.test");
    const QString oldAddress = QStringLiteral("192.0.2.1");
    const QString newAddress = QStringLiteral("192.0.2.2");
    QVERIFY(lab("set-a|all|moving.lab.test|192.0.2.1"));
    // The system resolver and Cloudflare have the new record, Google and Quad9 not yet.
    QVERIFY(lab("set-a|system|moving.lab.test|192.0.2.2"));
    QVERIFY(lab("set-a|cloudflare|moving.lab.test|192.0.2.2"));

    const QUuid id = addAndCheck(domain, RecordType::A, newAddress);
    QVERIFY(!id.isNull());
    const Watch watch = *m_store->watch(id);
    QVERIFY(!watch.settledAt);
    QVERIFY(!m_store->isSettled(watch));
    const std::optional<QString> consensus = m_store->consensusValue(watch);
    QVERIFY(consensus == oldAddress || consensus == newAddress);

    const QList<ResolverStatus> expectedStatus{ResolverStatus::Ok, ResolverStatus::Ok,
                                               ResolverStatus::Problem, ResolverStatus::Problem};
    for (int i = 0; i < 4; ++i) {
        const Resolver& resolver = Resolver::all().at(static_cast<size_t>(i));
        QCOMPARE(m_store->status(watch, resolver), expectedStatus.at(i));
        QCOMPARE(result(id, resolver.id).values, QStringList{i < 2 ? newAddress : oldAddress});
    }
    QCOMPARE(m_notifier.notifications.size(), 0);

    QVERIFY(lab("set-a|google|moving.lab.test|192.0.2.2"));
    QVERIFY(lab("set-a|quad9|moving.lab.test|192.0.2.2"));
    QVERIFY(checkNow(id));
    QVERIFY(m_store->watch(id)->settledAt);
    QCOMPARE(m_notifier.notifications.size(), 1);
    QCOMPARE(m_notifier.notifications.first().body,
             QStringLiteral("All resolvers now return 192.0.2.2"));
}

void TestDnslabStore::expectedMatchesAnswerInAnotherCase_data() {
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<RecordType>("type");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("consensus");

    const QStringList cname = command("set-cname|all|match.lab.test|Target.Example.Test.");
    const QStringList mx = command("set-mx|all|match.lab.test|10|Mail.Example.Test.");

    QTest::newRow("CNAME target, other case, final dot")
        << cname << RecordType::CNAME << QStringLiteral("target.EXAMPLE.test.")
        << QStringLiteral("Target.Example.Test");
    QTest::newRow("MX by host") << mx << RecordType::MX << QStringLiteral("mail.example.test.")
                                << QStringLiteral("10 Mail.Example.Test");
    QTest::newRow("MX by preference")
        << mx << RecordType::MX << QStringLiteral("10") << QStringLiteral("10 Mail.Example.Test");
}

void TestDnslabStore::expectedMatchesAnswerInAnotherCase() {
    QFETCH(QStringList, setup);
    QFETCH(RecordType, type);
    QFETCH(QString, expected);
    QFETCH(QString, consensus);
    QVERIFY(lab(setup));

    const QUuid id = addAndCheck(setup.at(2), type, expected);
    QVERIFY(!id.isNull());
    const Watch watch = *m_store->watch(id);
    QVERIFY(watch.settledAt);
    for (const Resolver& resolver : Resolver::all())
        QCOMPARE(m_store->status(watch, resolver), ResolverStatus::Ok);
    QCOMPARE(m_store->consensusValue(watch), consensus);
    // The notification shows what the resolvers return, not what was typed.
    QCOMPARE(m_notifier.notifications.size(), 1);
    QCOMPARE(m_notifier.notifications.first().body,
             QStringLiteral("All resolvers now return ") + consensus);
}

void TestDnslabStore::neverSettlesOnEmptyAnswers_data() {
    QTest::addColumn<std::optional<QString>>("expected");
    QTest::newRow("no expected value") << std::optional<QString>();
    QTest::newRow("expected value") << std::optional<QString>(QStringLiteral("192.0.2.1"));
}

void TestDnslabStore::neverSettlesOnEmptyAnswers() {
    QFETCH(std::optional<QString>, expected);
    // Nothing anywhere: every resolver answers NXDOMAIN, which is agreement
    // of a kind, but not a record that has propagated.
    const QUuid id = addAndCheck(QStringLiteral("nothing.lab.test"), RecordType::A, expected);
    QVERIFY(!id.isNull());
    QVERIFY(checkNow(id));
    const Watch watch = *m_store->watch(id);
    QVERIFY(!watch.settledAt);
    QVERIFY(!m_store->consensusValue(watch));
    for (const Resolver& resolver : Resolver::all()) {
        QCOMPARE(result(id, resolver.id), (ResolverResult{{}, false, m_clock.now()}));
        QCOMPARE(m_store->status(watch, resolver), ResolverStatus::Problem);
    }
    QCOMPARE(m_notifier.notifications.size(), 0);
}

// --- What the real output turns into ---------------------------------------

void TestDnslabStore::valuesAsTheRealOutputConverts_data() {
    QTest::addColumn<Commands>("setup");
    QTest::addColumn<RecordType>("type");
    QTest::addColumn<QStringList>("values");

    QTest::newRow("CNAME keeps its case, loses the dot")
        << Commands{command("set-cname|all|kinds.lab.test|Target.Example.Test.")}
        << RecordType::CNAME << QStringList{QStringLiteral("Target.Example.Test")};
    QTest::newRow("MX 5 and 10 sort as text")
        << Commands{command("set-mx|all|kinds.lab.test|5|mx5.lab.test|10|mx10.lab.test")}
        << RecordType::MX
        << QStringList{QStringLiteral("10 mx10.lab.test"), QStringLiteral("5 mx5.lab.test")};
    QTest::newRow("TXT with two strings keeps the inner quotes")
        << Commands{command("set-txt|all|kinds.lab.test|v=spf1 -all|second string")}
        << RecordType::TXT << QStringList{QStringLiteral("v=spf1 -all\" \"second string")};
    // dig escapes quotes and every byte outside printable ASCII, so the value
    // is not the text that was published.
    QTest::newRow("TXT with quotes and UTF-8 comes back escaped")
        << Commands{command("set-txt|all|kinds.lab.test|say \"hi\" café")} << RecordType::TXT
        << QStringList{QStringLiteral("say \\\"hi\\\" caf\\195\\169")};
    QTest::newRow("two TXT records")
        << Commands{command("set-txt|all|kinds.lab.test|b"),
                    command("add-txt|all|kinds.lab.test|a")}
        << RecordType::TXT << QStringList{QStringLiteral("a"), QStringLiteral("b")};
    // 1.3 kB does not fit dig's UDP buffer: it retries over TCP and says
    // nothing about it in the short form.
    const QString big = QString(220, u'x');
    const QStringList bigRecord{QStringLiteral("add-txt"), QStringLiteral("all"),
                                QStringLiteral("kinds.lab.test"), big, big};
    QTest::newRow("answer too big for UDP")
        << Commands{bigRecord, bigRecord, bigRecord} << RecordType::TXT
        << QStringList{big + QStringLiteral("\" \"") + big, big + QStringLiteral("\" \"") + big,
                       big + QStringLiteral("\" \"") + big};
    QTest::newRow("AAAA") << Commands{command("set-aaaa|all|kinds.lab.test|2001:db8::1")}
                          << RecordType::AAAA << QStringList{QStringLiteral("2001:db8::1")};
    QTest::newRow("NS") << Commands{command("set-ns|all|kinds.lab.test|ns2.lab.test.|ns1.lab.test")}
                        << RecordType::NS
                        << QStringList{QStringLiteral("ns1.lab.test"),
                                       QStringLiteral("ns2.lab.test")};
    // dig +short prints the whole chain: the alias target is one of the values.
    QTest::newRow("A of an alias lists the chain")
        << Commands{command("set-a|all|one.lab.test|192.0.2.1"),
                    command("set-alias|all|kinds.lab.test|one.lab.test")}
        << RecordType::A
        << QStringList{QStringLiteral("192.0.2.1"), QStringLiteral("one.lab.test")};
}

void TestDnslabStore::valuesAsTheRealOutputConverts() {
    QFETCH(Commands, setup);
    QFETCH(RecordType, type);
    QFETCH(QStringList, values);
    for (const QStringList& step : std::as_const(setup))
        QVERIFY(lab(step));

    const QUuid id = addAndCheck(QStringLiteral("kinds.lab.test"), type);
    QVERIFY(!id.isNull());
    for (const Resolver& resolver : Resolver::all()) {
        const ResolverResult r = result(id, resolver.id);
        QVERIFY2(!r.failed, qPrintable(resolver.id));
        QCOMPARE(r.values, values);
    }
    QVERIFY(m_store->watch(id)->settledAt);
}

void TestDnslabStore::answersWithoutRecordsAreEmptyNotFailed_data() {
    QTest::addColumn<Commands>("setup");
    QTest::addColumn<RecordType>("type");

    QTest::newRow("NXDOMAIN") << Commands{} << RecordType::A;
    QTest::newRow("NODATA") << Commands{command("set-a|all|empty.lab.test|192.0.2.1")}
                            << RecordType::MX;
    QTest::newRow("SERVFAIL") << Commands{command("fail|all|empty.lab.test|servfail")}
                              << RecordType::A;
    QTest::newRow("REFUSED") << Commands{command("fail|all|empty.lab.test|refused")}
                             << RecordType::A;
}

void TestDnslabStore::answersWithoutRecordsAreEmptyNotFailed() {
    QFETCH(Commands, setup);
    QFETCH(RecordType, type);
    for (const QStringList& step : std::as_const(setup))
        QVERIFY(lab(step));

    QElapsedTimer timer;
    timer.start();
    const QUuid id = addAndCheck(QStringLiteral("empty.lab.test"), type);
    QVERIFY(!id.isNull());
    // An error status from the server is an answer: dig exits 0 at once.
    QVERIFY2(timer.elapsed() < 2500, qPrintable(QString::number(timer.elapsed())));
    for (const Resolver& resolver : Resolver::all()) {
        const ResolverResult r = result(id, resolver.id);
        QVERIFY2(!r.failed, qPrintable(resolver.id));
        QCOMPARE(r.values, QStringList());
    }
}

void TestDnslabStore::unreachableAndSilentServersFail() {
    const QString domain = QStringLiteral("reach.lab.test");
    QVERIFY(lab(command("set-a|all") + QStringList{domain, QStringLiteral("192.0.2.1")}));
    QVERIFY(lab("stop|cloudflare"));
    QVERIFY(lab("freeze|google"));

    QElapsedTimer timer;
    timer.start();
    const QUuid id = addAndCheck(domain, RecordType::A);
    QVERIFY(!id.isNull());
    // The silent one decides: dig gives up after its 3 seconds.
    QVERIFY2(timer.elapsed() >= 2900 && timer.elapsed() < 8000,
             qPrintable(QString::number(timer.elapsed())));
    QVERIFY(lab("thaw|google"));

    const QString answer = QStringLiteral("192.0.2.1");
    QCOMPARE(result(id, resolverId(0)).values, QStringList{answer});
    QVERIFY(!result(id, resolverId(0)).failed);
    QCOMPARE(result(id, resolverId(1)), (ResolverResult{{}, true, m_clock.now()}));
    QCOMPARE(result(id, resolverId(2)), (ResolverResult{{}, true, m_clock.now()}));
    QCOMPARE(result(id, resolverId(3)).values, QStringList{answer});

    const Watch watch = *m_store->watch(id);
    QVERIFY(!watch.settledAt);
    QCOMPARE(m_store->consensusValue(watch), answer);
    QCOMPARE(m_store->status(watch, Resolver::all().at(1)), ResolverStatus::Problem);
    QCOMPARE(m_store->status(watch, Resolver::all().at(2)), ResolverStatus::Problem);
}

void TestDnslabStore::settledWatchFallsBackAndSettlesAgain_data() {
    QTest::addColumn<QStringList>("disturb");
    QTest::addColumn<QStringList>("restore");

    QTest::newRow("one resolver changes") << command("set-a|quad9|again.lab.test|192.0.2.99")
                                          << command("set-a|quad9|again.lab.test|192.0.2.1");
    QTest::newRow("one resolver unreachable") << command("stop|google") << command("start|google");
    QTest::newRow("one resolver answers SERVFAIL")
        << command("fail|system|again.lab.test|servfail")
        << command("set-a|system|again.lab.test|192.0.2.1");
}

void TestDnslabStore::settledWatchFallsBackAndSettlesAgain() {
    QFETCH(QStringList, disturb);
    QFETCH(QStringList, restore);
    const QString domain = QStringLiteral("again.lab.test");
    QVERIFY(lab(command("set-a|all") + QStringList{domain, QStringLiteral("192.0.2.1")}));

    const QUuid id = addAndCheck(domain, RecordType::A);
    QVERIFY(!id.isNull());
    QVERIFY(m_store->watch(id)->settledAt);
    QCOMPARE(m_notifier.notifications.size(), 1);
    const qsizetype savesBefore = m_settings.writesTo(DigStore::settingsKey).size();

    QVERIFY(lab(disturb));
    QVERIFY(checkNow(id));
    QVERIFY(!m_store->watch(id)->settledAt);
    QCOMPARE(m_notifier.notifications.size(), 1);
    QCOMPARE(m_settings.writesTo(DigStore::settingsKey).size(), savesBefore + 1);

    QVERIFY(lab(restore));
    QVERIFY(checkNow(id));
    QVERIFY(m_store->watch(id)->settledAt);
    QCOMPARE(m_notifier.notifications.size(), 2);
    QCOMPARE(m_notifier.notifications.at(1).watchId, id);
    QCOMPARE(m_notifier.notifications.at(1).body,
             QStringLiteral("All resolvers now return 192.0.2.1"));
}

// --- Timing and load ------------------------------------------------------

void TestDnslabStore::silentServerDoesNotHoldUpOtherWatches() {
    const QString slow = QStringLiteral("slow.lab.test");
    const QString fast = QStringLiteral("fast.lab.test");
    QVERIFY(lab("set-a|all|slow.lab.test|192.0.2.1"));
    QVERIFY(lab("set-a|all|fast.lab.test|192.0.2.2"));
    // Quad9 takes the question about the slow name and never answers it.
    QVERIFY(lab("fail|quad9|slow.lab.test|timeout"));

    DigStore& store = startStore(
        {Watch{QUuid::createUuid(), slow, RecordType::A, std::nullopt, 600'000'000.0, std::nullopt},
         Watch{QUuid::createUuid(), fast, RecordType::A, std::nullopt, 600'000'000.0,
               std::nullopt}});
    // Let the launch checks pass, then time two checks started together.
    QVERIFY(QTest::qWaitFor(
        [&] { return store.results().size() == 2 && store.isChecking().isEmpty(); }, 15000));
    const QUuid slowId = store.watches().at(0).id;
    const QUuid fastId = store.watches().at(1).id;

    QElapsedTimer timer;
    timer.start();
    qint64 slowDone = -1;
    qint64 fastDone = -1;
    store.check(slowId, [&] { slowDone = timer.elapsed(); });
    store.check(fastId, [&] { fastDone = timer.elapsed(); });
    QVERIFY(QTest::qWaitFor([&] { return slowDone >= 0 && fastDone >= 0; }, 15000));

    QVERIFY2(fastDone < 2500, qPrintable(QString::number(fastDone)));
    QVERIFY2(slowDone >= 2900 && slowDone < 8000, qPrintable(QString::number(slowDone)));
    QVERIFY(result(slowId, resolverId(3)).failed);
    QCOMPARE(result(slowId, resolverId(0)).values, QStringList{QStringLiteral("192.0.2.1")});
    QVERIFY(store.watch(fastId)->settledAt);
}

void TestDnslabStore::manyWatchesAtOnceStayWithinTheBound() {
    // One restart serves every name under the domain.
    QVERIFY(lab("wild-a|all|bulk.lab.test|192.0.2.7"));
    QList<Watch> saved;
    for (int i = 0; i < 200; ++i) {
        saved.append(Watch{QUuid::createUuid(), QStringLiteral("w%1.bulk.lab.test").arg(i),
                           RecordType::A, std::nullopt, 600'000'000.0, std::nullopt});
    }

    // The launch checks every saved watch at once: 800 queries.
    DigStore& store = startStore(saved);
    QVERIFY(QTest::qWaitFor(
        [&] { return store.results().size() == 200 && store.isChecking().isEmpty(); }, 300000));

    QVERIFY(store.queries().peakRunning() <= DigQueue::defaultMaxRunning);
    QVERIFY(store.queries().peakRunning() > 1);
    for (const Watch& watch : store.watches()) {
        for (const Resolver& resolver : Resolver::all()) {
            const ResolverResult r = result(watch.id, resolver.id);
            QVERIFY2(!r.failed, qPrintable(watch.domain + u' ' + resolver.id));
            QCOMPARE(r.values, QStringList{QStringLiteral("192.0.2.7")});
        }
        QVERIFY(store.watch(watch.id)->settledAt);
    }
    QCOMPARE(m_notifier.notifications.size(), 200);
}

QTEST_GUILESS_MAIN(TestDnslabStore)
#include "tst_dnslab_store.moc"

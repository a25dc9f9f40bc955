// The store against the real dig and real DNS servers: the lab (tests/dnslab)
// runs one dnsmasq per resolver address in a private network namespace, and
// these tests change its world with "$DNSLAB <command>" between checks.

#include "dnslab.h"
#include "fakeclock.h"
#include "fakenotifier.h"
#include "memorysettingsstore.h"
#include "model/resolver.h"
#include "model/watchlistcodec.h"
#include "store/digstore.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

#include <memory>

using namespace Quello;
using namespace Quello::Test;

namespace {

using DnsLab::command;

const QString digPath = QStringLiteral("/usr/bin/dig");

QString resolverId(int index) {
    return Resolver::all().at(static_cast<size_t>(index)).id;
}

Watch savedWatch(const QString& domain) {
    return Watch{QUuid::createUuid(), domain,        RecordType::A,
                 std::nullopt,        600'000'000.0, std::nullopt};
}

} // namespace

class TestDnslabStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void agreeingResolversSettleWithOneNotification();
    void halfChangedStaysPending();
    void neverSettlesOnEmptyAnswers();
    void valuesAsTheRealOutputConverts_data();
    void valuesAsTheRealOutputConverts();
    void answersWithoutRecordsAreEmptyNotFailed_data();
    void answersWithoutRecordsAreEmptyNotFailed();
    void unreachableAndSilentServersFail();
    void settledWatchFallsBackAndSettlesAgain();
    void manyWatchesAtOnceStayWithinTheBound();

private:
    [[nodiscard]] bool lab(const QStringList& args) { return DnsLab::run(args); }
    [[nodiscard]] bool lab(const char* args) { return DnsLab::run(args); }
    DigStore& startStore(const QList<Watch>& saved = {});
    // Adds a watch and waits for its first check.
    [[nodiscard]] QUuid addAndCheck(const QString& domain, RecordType type,
                                    const std::optional<QString>& expected = std::nullopt);
    [[nodiscard]] bool checkNow(const QUuid& id);
    ResolverResult result(const QUuid& id, const QString& resolver) const {
        return m_store->results().value(id).value(resolver);
    }
    QString lastBody() const { return m_notifier.notifications.constLast().body; }

    MemorySettingsStore m_settings;
    FakeNotifier m_notifier;
    FakeClock m_clock;
    std::unique_ptr<DigStore> m_store;
};

void TestDnslabStore::initTestCase() {
    if (DnsLab::program().isEmpty())
        QSKIP("needs the DNS lab: run through tests/dnslab/dnslab run -- ctest -L dns");
    if (!QFileInfo(digPath).isExecutable())
        QSKIP("needs /usr/bin/dig (package bind9-dnsutils)");
}

void TestDnslabStore::init() {
    QVERIFY(lab("reset"));
    m_settings.values.clear();
    m_settings.writes.clear();
    m_notifier.notifications.clear();
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

void TestDnslabStore::agreeingResolversSettleWithOneNotification() {
    // dnsmasq hands out several records in a rotating order; the runner sorts.
    QVERIFY(lab("set-a|all|agree.lab.test|192.0.2.3|192.0.2.1|192.0.2.2"));
    const QUuid id = addAndCheck(QStringLiteral("agree.lab.test"), RecordType::A);
    QVERIFY(!id.isNull());
    QVERIFY(m_store->watch(id)->settledAt);
    QCOMPARE(m_notifier.notifications.size(), 1);
    QCOMPARE(m_notifier.notifications.first().watchId, id);
    QCOMPARE(m_notifier.notifications.first().title, QStringLiteral("agree.lab.test A propagated"));
    QCOMPARE(lastBody(),
             QStringLiteral("All resolvers now return 192.0.2.1, 192.0.2.2, 192.0.2.3"));

    // Still agreeing on the next check: nothing more is posted.
    QVERIFY(checkNow(id));
    QCOMPARE(m_notifier.notifications.size(), 1);
}

void TestDnslabStore::halfChangedStaysPending() {
    QVERIFY(lab("set-a|all|moving.lab.test|192.0.2.1"));
    QVERIFY(lab("set-a|system|moving.lab.test|192.0.2.2"));
    QVERIFY(lab("set-a|cloudflare|moving.lab.test|192.0.2.2"));

    const QUuid id =
        addAndCheck(QStringLiteral("moving.lab.test"), RecordType::A, QStringLiteral("192.0.2.2"));
    QVERIFY(!id.isNull());
    const Watch watch = *m_store->watch(id);
    QVERIFY(!watch.settledAt);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(m_store->status(watch, Resolver::all().at(static_cast<size_t>(i))),
                 i < 2 ? ResolverStatus::Ok : ResolverStatus::Problem);
        QCOMPARE(result(id, resolverId(i)).values,
                 QStringList{i < 2 ? QStringLiteral("192.0.2.2") : QStringLiteral("192.0.2.1")});
    }
    QCOMPARE(m_notifier.notifications.size(), 0);
}

void TestDnslabStore::neverSettlesOnEmptyAnswers() {
    // Every resolver answers NXDOMAIN: agreement of a kind, but nothing propagated.
    const QUuid id =
        addAndCheck(QStringLiteral("nothing.lab.test"), RecordType::A, QStringLiteral("192.0.2.1"));
    QVERIFY(!id.isNull());
    QVERIFY(checkNow(id));
    const Watch watch = *m_store->watch(id);
    QVERIFY(!watch.settledAt);
    for (const Resolver& resolver : Resolver::all())
        QCOMPARE(m_store->status(watch, resolver), ResolverStatus::Problem);
    QCOMPARE(m_notifier.notifications.size(), 0);
}

void TestDnslabStore::valuesAsTheRealOutputConverts_data() {
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<RecordType>("type");
    QTest::addColumn<std::optional<QString>>("expected");
    QTest::addColumn<QStringList>("values");

    const QStringList mx = command("set-mx|all|kinds.lab.test|10|Mail.Example.Test.");
    const QStringList mxValue{QStringLiteral("10 Mail.Example.Test")};
    QTest::newRow("CNAME keeps its case, loses the dot; expected in another case")
        << command("set-cname|all|kinds.lab.test|Target.Example.Test.") << RecordType::CNAME
        << std::optional<QString>(QStringLiteral("target.EXAMPLE.test."))
        << QStringList{QStringLiteral("Target.Example.Test")};
    QTest::newRow("MX expected by host")
        << mx << RecordType::MX << std::optional<QString>(QStringLiteral("mail.example.test."))
        << mxValue;
    QTest::newRow("MX expected by preference")
        << mx << RecordType::MX << std::optional<QString>(QStringLiteral("10")) << mxValue;
    QTest::newRow("MX 5 and 10 sort as text")
        << command("set-mx|all|kinds.lab.test|5|mx5.lab.test|10|mx10.lab.test") << RecordType::MX
        << std::optional<QString>()
        << QStringList{QStringLiteral("10 mx10.lab.test"), QStringLiteral("5 mx5.lab.test")};
    QTest::newRow("TXT with two strings keeps the inner quotes")
        << command("set-txt|all|kinds.lab.test|v=spf1 -all|second string") << RecordType::TXT
        << std::optional<QString>() << QStringList{QStringLiteral("v=spf1 -all\" \"second string")};
    QTest::newRow("AAAA") << command("set-aaaa|all|kinds.lab.test|2001:db8::1") << RecordType::AAAA
                          << std::optional<QString>() << QStringList{QStringLiteral("2001:db8::1")};
}

void TestDnslabStore::valuesAsTheRealOutputConverts() {
    QFETCH(QStringList, setup);
    QFETCH(RecordType, type);
    QFETCH(std::optional<QString>, expected);
    QFETCH(QStringList, values);
    QVERIFY(lab(setup));

    const QUuid id = addAndCheck(QStringLiteral("kinds.lab.test"), type, expected);
    QVERIFY(!id.isNull());
    for (const Resolver& resolver : Resolver::all())
        QCOMPARE(result(id, resolver.id), (ResolverResult{values, false, m_clock.now()}));
    QVERIFY(m_store->watch(id)->settledAt);
    // The notification shows what the resolvers return, not what was typed.
    QCOMPARE(m_notifier.notifications.size(), 1);
    QCOMPARE(lastBody(), QStringLiteral("All resolvers now return ") + values.join(u", "));
}

void TestDnslabStore::answersWithoutRecordsAreEmptyNotFailed_data() {
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<RecordType>("type");

    QTest::newRow("NXDOMAIN") << QStringList() << RecordType::A;
    QTest::newRow("NODATA") << command("set-a|all|empty.lab.test|192.0.2.1") << RecordType::MX;
    QTest::newRow("SERVFAIL") << command("fail|all|empty.lab.test|servfail") << RecordType::A;
    QTest::newRow("REFUSED") << command("fail|all|empty.lab.test|refused") << RecordType::A;
}

void TestDnslabStore::answersWithoutRecordsAreEmptyNotFailed() {
    QFETCH(QStringList, setup);
    QFETCH(RecordType, type);
    if (!setup.isEmpty())
        QVERIFY(lab(setup));

    const QUuid id = addAndCheck(QStringLiteral("empty.lab.test"), type);
    QVERIFY(!id.isNull());
    for (const Resolver& resolver : Resolver::all())
        QCOMPARE(result(id, resolver.id), (ResolverResult{{}, false, m_clock.now()}));
}

void TestDnslabStore::settledWatchFallsBackAndSettlesAgain() {
    QVERIFY(lab("set-a|all|again.lab.test|192.0.2.1"));
    const QUuid id = addAndCheck(QStringLiteral("again.lab.test"), RecordType::A);
    QVERIFY(!id.isNull());
    QVERIFY(m_store->watch(id)->settledAt);
    const qsizetype savesBefore = m_settings.writesTo(DigStore::settingsKey).size();

    QVERIFY(lab("set-a|quad9|again.lab.test|192.0.2.99"));
    QVERIFY(checkNow(id));
    QVERIFY(!m_store->watch(id)->settledAt);
    QCOMPARE(m_notifier.notifications.size(), 1);
    QCOMPARE(m_settings.writesTo(DigStore::settingsKey).size(), savesBefore + 1);

    QVERIFY(lab("set-a|quad9|again.lab.test|192.0.2.1"));
    QVERIFY(checkNow(id));
    QVERIFY(m_store->watch(id)->settledAt);
    QCOMPARE(m_notifier.notifications.size(), 2);
    QCOMPARE(m_notifier.notifications.at(1).watchId, id);
    QCOMPARE(lastBody(), QStringLiteral("All resolvers now return 192.0.2.1"));
}

void TestDnslabStore::unreachableAndSilentServersFail() {
    QVERIFY(lab("set-a|all|slow.lab.test|192.0.2.1"));
    QVERIFY(lab("set-a|all|fast.lab.test|192.0.2.2"));
    QVERIFY(lab("stop|cloudflare"));
    // Quad9 takes the question about the slow name and never answers it.
    QVERIFY(lab("fail|quad9|slow.lab.test|timeout"));

    DigStore& store = startStore(
        {savedWatch(QStringLiteral("slow.lab.test")), savedWatch(QStringLiteral("fast.lab.test"))});
    QVERIFY(QTest::qWaitFor(
        [&] { return store.results().size() == 2 && store.isChecking().isEmpty(); }, 15000));
    const QUuid slowId = store.watches().at(0).id;
    const QUuid fastId = store.watches().at(1).id;

    // Two checks started together: dig gives the silent server its 3 seconds,
    // and the other watch does not wait for them.
    QElapsedTimer timer;
    timer.start();
    qint64 slowDone = -1;
    qint64 fastDone = -1;
    store.check(slowId, [&] { slowDone = timer.elapsed(); });
    store.check(fastId, [&] { fastDone = timer.elapsed(); });
    QVERIFY(QTest::qWaitFor([&] { return slowDone >= 0 && fastDone >= 0; }, 15000));
    QVERIFY2(fastDone < 2500, qPrintable(QString::number(fastDone)));
    QVERIFY2(slowDone >= 2900 && slowDone < 8000, qPrintable(QString::number(slowDone)));

    const ResolverResult failedResult{{}, true, m_clock.now()};
    const QStringList answer{QStringLiteral("192.0.2.1")};
    QCOMPARE(result(slowId, resolverId(0)), (ResolverResult{answer, false, m_clock.now()}));
    QCOMPARE(result(slowId, resolverId(1)), failedResult);
    QCOMPARE(result(slowId, resolverId(2)), (ResolverResult{answer, false, m_clock.now()}));
    QCOMPARE(result(slowId, resolverId(3)), failedResult);
    QCOMPARE(result(fastId, resolverId(1)), failedResult);
    QVERIFY(!store.watch(slowId)->settledAt);
}

void TestDnslabStore::manyWatchesAtOnceStayWithinTheBound() {
    QVERIFY(lab("wild-a|all|bulk.lab.test|192.0.2.7"));
    QList<Watch> saved;
    for (int i = 0; i < 200; ++i)
        saved.append(savedWatch(QStringLiteral("w%1.bulk.lab.test").arg(i)));

    // The launch checks every saved watch at once: 800 queries.
    DigStore& store = startStore(saved);
    QVERIFY(QTest::qWaitFor(
        [&] { return store.results().size() == 200 && store.isChecking().isEmpty(); }, 300000));
    QVERIFY(store.queries().peakRunning() <= DigQueue::defaultMaxRunning);
    for (const Watch& watch : store.watches()) {
        for (const Resolver& resolver : Resolver::all())
            QVERIFY2(!result(watch.id, resolver.id).failed,
                     qPrintable(watch.domain + u' ' + resolver.id));
        QVERIFY(watch.settledAt);
    }
    QCOMPARE(m_notifier.notifications.size(), 200);
}

QTEST_GUILESS_MAIN(TestDnslabStore)
#include "tst_dnslab_store.moc"

#include "storefixture.h"

#include <QSignalSpy>
#include <QTest>

using namespace Quello;
using namespace Quello::Test;

class TestDigStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addSavesExactListBeforeFirstCheck();
    void addDuplicates_data();
    void addDuplicates();
    void removeKeepsOrderAndAlwaysSaves();
    void launchChecksEverySavedWatchOnce();
    void overlappingChecksOfOneWatch();
    void removalDuringCheckLeavesNothingBehind();
    void destroyedDuringCheck();
    void checkSurvivesListGrowingFromSlot();
    void unreadableList_data();
    void unreadableList();
};

void TestDigStore::addSavesExactListBeforeFirstCheck() {
    StoreFixture f;
    f.clock.setNow(700'000'000.25);
    DigStore& store = f.startEmpty();
    QSignalSpy added(&store, &DigStore::watchAdded);
    int digCallsAtSave = -1;
    f.settings.onWrite = [&](const MemorySettingsStore::Write&) {
        digCallsAtSave = int(f.dig.calls().size()) + int(store.isChecking().size());
    };

    QVERIFY(store.add(QStringLiteral("example.test"), RecordType::MX,
                      QStringLiteral("10 mx.example.test")));
    const Watch& w = store.watches().first();
    QCOMPARE(added.size(), 1);
    QCOMPARE(added.first().first().value<QUuid>(), w.id);
    QCOMPARE(w.createdAt, 700'000'000.25);
    QCOMPARE(f.settings.writesTo(DigStore::settingsKey),
             QList<QByteArray>{WatchListCodec::encode(store.watches())});
    QCOMPARE(digCallsAtSave, 0); // saved before any check starts
    QCOMPARE(f.notifier.permissionRequests, 1);
    QTRY_VERIFY(store.results().contains(w.id));
    QCOMPARE(f.dig.calls().size(), 4);
}

void TestDigStore::addDuplicates_data() {
    QTest::addColumn<QString>("domain");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("expected"); // null: none
    QTest::addColumn<bool>("accepted");

    const int a = int(RecordType::A);
    // The first watch is always example.test A with no expected value.
    QTest::newRow("same") << "example.test" << a << QString() << false;
    QTest::newRow("other type") << "example.test" << int(RecordType::AAAA) << QString() << true;
    QTest::newRow("empty expected is not none") << "example.test" << a << "" << true;
    QTest::newRow("other case is another domain") << "Example.test" << a << QString() << true;
}

void TestDigStore::addDuplicates() {
    QFETCH(QString, domain);
    QFETCH(int, type);
    QFETCH(QString, expected);
    QFETCH(bool, accepted);

    StoreFixture f;
    QVERIFY(!f.addAndCheck(QStringLiteral("example.test")).isNull());
    const auto before = f.store->watches();
    const std::optional<QString> exp = expected.isNull() ? std::nullopt : std::optional(expected);
    QCOMPARE(f.store->add(domain, RecordType(type), exp), accepted);
    QCOMPARE(f.store->watches().size(), accepted ? 2 : 1);
    QCOMPARE(f.store->watches().first(), before.first());
    QCOMPARE(f.store->watches().last().expected, accepted ? exp : std::nullopt);
    QCOMPARE(f.settings.writes.size(), accepted ? 2 : 1);
}

void TestDigStore::removeKeepsOrderAndAlwaysSaves() {
    StoreFixture f;
    const QList<Watch> saved{savedWatch(QStringLiteral("a.test")),
                             savedWatch(QStringLiteral("b.test")),
                             savedWatch(QStringLiteral("c.test"))};
    DigStore& store = f.start(saved);
    QVERIFY(f.launchChecksDone());
    QSignalSpy removed(&store, &DigStore::watchRemoved);

    // The id is passed by reference from inside the list itself, as a view
    // holding no copy would: the removal shifts c.test into that slot.
    store.remove(store.watches().at(1).id);
    QCOMPARE(store.watches(), (QList<Watch>{saved[0], saved[2]}));
    QVERIFY(!store.results().contains(saved[1].id) && store.results().size() == 2);
    store.remove(QUuid::createUuid());
    const QByteArray remaining = WatchListCodec::encode({saved[0], saved[2]});
    QCOMPARE(f.settings.writesTo(DigStore::settingsKey), (QList<QByteArray>{remaining, remaining}));
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed.at(0).at(0).value<QUuid>(), saved[1].id);
}

void TestDigStore::launchChecksEverySavedWatchOnce() {
    StoreFixture f;
    // A damaged name in the saved list is refused without running dig.
    const QList<Watch> saved{
        savedWatch(QStringLiteral("a.test")),
        savedWatch(QStringLiteral("b.test"), RecordType::TXT, {}, 650'000'000.0),
        savedWatch(QStringLiteral("-c.test"))};
    f.answerAll(QStringLiteral("192.0.2.1\n"));
    DigStore& store = f.start(saved);

    QCOMPARE(store.watches(), saved);
    // Before any answer: waiting, and a saved settling still counts.
    QCOMPARE(store.status(saved[1], Resolver::all().front()), ResolverStatus::Waiting);
    QCOMPARE(store.pendingCount(), 2);
    QVERIFY(f.launchChecksDone());
    QMap<QString, int> perDomain;
    for (const QStringList& call : f.dig.calls())
        ++perDomain[call.value(call.size() - 2)];
    QCOMPARE(perDomain,
             (QMap<QString, int>{{QStringLiteral("a.test"), 4}, {QStringLiteral("b.test"), 4}}));
    for (const ResolverResult& r : store.results().value(saved[2].id))
        QVERIFY(r.failed);
}

void TestDigStore::overlappingChecksOfOneWatch() {
    StoreFixture f;
    DigStore& store = f.start({savedWatch(QStringLiteral("example.test"))});
    QVERIFY(f.launchChecksDone());
    const QUuid id = store.watches().first().id;
    QSignalSpy checking(&store, &DigStore::checkingChanged);

    // The second check is much slower than the first, so the order in which
    // they finish does not depend on how busy the machine is.
    const qsizetype startedBefore = f.dig.startedPids().size();
    f.dig.setAnswer({.output = "192.0.2.1\n", .sleepSeconds = 0.3});
    int done = 0;
    store.check(id, [&] { ++done; });
    QTRY_COMPARE(f.dig.startedPids().size(), startedBefore + 4);
    f.dig.setAnswer({.output = "192.0.2.1\n", .sleepSeconds = 2.0});
    store.check(id, [&] { ++done; });

    // The first to finish clears the mark while the other still runs.
    QTRY_COMPARE(done, 1);
    QVERIFY(!store.isChecking().contains(id));
    f.clock.setNow(f.clock.now() + 5);
    QTRY_COMPARE(done, 2); // the later check's answers are kept
    for (const ResolverResult& r : store.results().value(id))
        QCOMPARE(r.checkedAt, f.clock.now());
    QCOMPARE(checking.size(), 2);
}

void TestDigStore::removalDuringCheckLeavesNothingBehind() {
    StoreFixture f;
    DigStore& store = f.start({savedWatch(QStringLiteral("example.test"))});
    QVERIFY(f.launchChecksDone());
    const QUuid id = store.watches().first().id;
    f.dig.setAnswer({.output = "192.0.2.1\n", .sleepSeconds = 0.3});
    bool done = false;
    store.check(id, [&] { done = true; });
    store.remove(id);
    const auto writesAfterRemove = f.settings.writes;

    QTRY_VERIFY(done);
    QVERIFY(!store.results().contains(id));
    QVERIFY(store.isChecking().isEmpty());
    QCOMPARE(f.settings.writes, writesAfterRemove);
    QVERIFY(f.notifier.notifications.isEmpty());
}

void TestDigStore::destroyedDuringCheck() {
    StoreFixture f;
    f.dig.setAnswer({.output = "192.0.2.1\n", .sleepSeconds = 0.3});
    f.start({savedWatch(QStringLiteral("example.test"))});
    QVERIFY(QTest::qWaitFor([&] { return !f.store->isChecking().isEmpty(); }));
    bool done = false;
    f.store->check(f.store->watches().first().id, [&] { done = true; });
    f.store.reset();
    QTest::qWait(600);
    QVERIFY(!done);
}

void TestDigStore::checkSurvivesListGrowingFromSlot() {
    StoreFixture f;
    f.saveList({savedWatch(QStringLiteral("a.test")), savedWatch(QStringLiteral("b.test"))});
    DigStore& store = f.start();
    QVERIFY(f.launchChecksDone());
    const QUuid id = store.watches().last().id;
    // Growing the list moves it while check() is between finding the watch
    // and reading its domain.
    bool grown = false;
    connect(&store, &DigStore::checkingChanged, this, [&](const QUuid& changed) {
        if (changed != id || grown)
            return;
        grown = true;
        for (int i = 0; i < 8; ++i)
            store.add(QStringLiteral("n%1.test").arg(i), RecordType::A, std::nullopt);
    });
    QVERIFY(f.checkNow(id));
    QVERIFY(grown);
    const QList<QStringList> calls = f.dig.calls();
    QCOMPARE(
        std::count_if(calls.cbegin(), calls.cend(),
                      [](const QStringList& c) { return c.contains(QStringLiteral("b.test")); }),
        8);
}

void TestDigStore::unreadableList_data() {
    QTest::addColumn<QByteArray>("copyBefore"); // null: no copy yet
    QTest::addColumn<bool>("copyWritten");

    QTest::newRow("first time") << QByteArray() << true;
    QTest::newRow("same copy kept") << QByteArray("[{\"id\":1}") << false;
    QTest::newRow("older copy kept") << QByteArray("[]x") << false;
}

void TestDigStore::unreadableList() {
    QFETCH(QByteArray, copyBefore);
    QFETCH(bool, copyWritten);

    const QByteArray damaged("[{\"id\":1}");
    StoreFixture f;
    f.settings.values.insert(DigStore::settingsKey, damaged);
    if (!copyBefore.isNull())
        f.settings.values.insert(DigStore::unreadableKey, copyBefore);
    DigStore& store = f.start();
    const QByteArray copy = copyBefore.isNull() ? damaged : copyBefore;

    QVERIFY(store.watches().isEmpty());
    QCOMPARE(f.settings.values.value(DigStore::unreadableKey), copy);
    QCOMPARE(f.settings.writes.size(), copyWritten ? 1 : 0);

    QVERIFY(store.add(QStringLiteral("example.test"), RecordType::A, std::nullopt));
    QCOMPARE(f.settings.values.value(DigStore::settingsKey),
             WatchListCodec::encode(store.watches()));
    QCOMPARE(f.settings.values.value(DigStore::unreadableKey), copy);
}

QTEST_GUILESS_MAIN(TestDigStore)
#include "tst_digstore.moc"

#include "privatebus.h"
#include "store/inisettingsstore.h"
#include "store/logindwakewatcher.h"
#include "storefixture.h"

#include <QDBusMessage>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Quello;
using namespace Quello::Test;
using namespace std::chrono_literals;
using Gaps = QList<double>;

class TestDigStore : public QObject {
    Q_OBJECT

    std::optional<StoreFixture> m_f;

private Q_SLOTS:
    void init() { m_f.emplace(); }
    void cleanup() { m_f.reset(); }

    void addSavesExactListBeforeFirstCheck() {
        DigStore& store = m_f->startEmpty();
        int digCallsAtSave = -1;
        m_f->settings.onWrite = [&](const MemorySettingsStore::Write&) {
            digCallsAtSave = int(m_f->dig.resolverCalls().size()) + int(store.isChecking().size());
        };

        QVERIFY(store.add(QStringLiteral("example.test"), RecordType::MX,
                          QStringLiteral("10 mx.example.test")));
        const Watch& w = store.watches().first();
        QCOMPARE(m_f->settings.writes, (QList<MemorySettingsStore::Write>{
                                           {DigStore::settingsKey, WatchListCodec::encode({w})}}));
        QCOMPARE(digCallsAtSave, 0); // saved before any check starts
        QCOMPARE(m_f->notifier.permissionRequests, 1);
        QTRY_VERIFY(store.results().contains(w.id));
        QCOMPARE(m_f->dig.resolverCalls().size(), 4);
    }

    void addDuplicates_data() {
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

    void addDuplicates() {
        QFETCH(QString, domain);
        QFETCH(int, type);
        QFETCH(QString, expected);
        QFETCH(bool, accepted);

        QVERIFY(!m_f->addAndCheck(QStringLiteral("example.test")).isNull());
        const auto before = m_f->store->watches();
        const std::optional<QString> exp =
            expected.isNull() ? std::nullopt : std::optional(expected);
        QCOMPARE(m_f->store->add(domain, RecordType(type), exp), accepted);
        QCOMPARE(m_f->store->watches().size(), accepted ? 2 : 1);
        QCOMPARE(m_f->store->watches().first(), before.first());
        QCOMPARE(m_f->store->watches().last().expected, accepted ? exp : std::nullopt);
        QCOMPARE(m_f->settings.writes.size(), accepted ? 2 : 1);
    }

    void removeKeepsOrderAndAlwaysSaves() {
        const QList<Watch> saved = savedWatches(3);
        DigStore& store = m_f->start(saved);
        QVERIFY(m_f->launchChecksDone());

        // The id is passed by reference from inside the list itself, as a view
        // holding no copy would: the removal shifts c.test into that slot.
        store.remove(store.watches().at(1).id);
        QCOMPARE(store.watches(), (QList<Watch>{saved[0], saved[2]}));
        QVERIFY(!store.results().contains(saved[1].id) && store.results().size() == 2);
        store.remove(QUuid::createUuid());
        const MemorySettingsStore::Write remaining{DigStore::settingsKey,
                                                   WatchListCodec::encode({saved[0], saved[2]})};
        QCOMPARE(m_f->settings.writes, (QList<MemorySettingsStore::Write>{remaining, remaining}));
    }

    void launchChecksEverySavedWatchOnce() {
        const QList<Watch> saved{
            savedWatch(QStringLiteral("a.test")),
            savedWatch(QStringLiteral("b.test"), RecordType::TXT, {}, 650'000'000.0)};
        m_f->answerAll(QStringLiteral("192.0.2.1\n"));
        DigStore& store = m_f->start(saved);

        QCOMPARE(store.watches(), saved);
        // Before any answer: waiting, and a saved settling still counts.
        QCOMPARE(store.status(saved[1], Resolver::all().front()), ResolverStatus::Waiting);
        QCOMPARE(store.pendingCount(), 1);
        QVERIFY(m_f->launchChecksDone());
        QMap<QString, int> perDomain;
        for (const QStringList& call : m_f->dig.resolverCalls())
            ++perDomain[call.value(call.size() - 2)];
        QCOMPARE(perDomain, (QMap<QString, int>{{QStringLiteral("a.test"), 4},
                                                {QStringLiteral("b.test"), 4}}));
    }

    void overlappingChecksOfOneWatch() {
        DigStore& store = m_f->start({savedWatch(QStringLiteral("example.test"))});
        QVERIFY(m_f->launchChecksDone());
        const QUuid id = store.watches().first().id;
        QSignalSpy checking(&store, &DigStore::checkingChanged);

        // The second check is much slower than the first, so the order in which
        // they finish does not depend on how busy the machine is.
        const qsizetype startedBefore = m_f->dig.resolverCalls().size();
        m_f->dig.setAnswer({.output = "192.0.2.1\n", .sleepSeconds = 0.3});
        int done = 0;
        store.check(id, [&] { ++done; });
        QTRY_COMPARE(m_f->dig.resolverCalls().size(), startedBefore + 4);
        m_f->dig.setAnswer({.output = "192.0.2.1\n", .sleepSeconds = 2.0});
        store.check(id, [&] { ++done; });

        // The first to finish clears the mark while the other still runs.
        QTRY_COMPARE(done, 1);
        QVERIFY(!store.isChecking().contains(id));
        m_f->clock.setNow(m_f->clock.now() + 5);
        QTRY_COMPARE(done, 2); // the later check's answers are kept
        for (const ResolverResult& r : store.results().value(id))
            QCOMPARE(r.checkedAt, m_f->clock.now());
        QCOMPARE(checking.size(), 2);
    }

    void removalDuringCheckLeavesNothingBehind() {
        DigStore& store = m_f->start({savedWatch(QStringLiteral("example.test"))});
        QVERIFY(m_f->launchChecksDone());
        const QUuid id = store.watches().first().id;
        m_f->dig.setAnswer({.output = "192.0.2.1\n", .sleepSeconds = 0.3});
        bool done = false;
        store.check(id, [&] { done = true; });
        store.remove(id);
        const auto writesAfterRemove = m_f->settings.writes;

        QTRY_VERIFY(done);
        QVERIFY(!store.results().contains(id));
        QVERIFY(store.isChecking().isEmpty());
        QCOMPARE(m_f->settings.writes, writesAfterRemove);
        QVERIFY(m_f->notifier.notifications.isEmpty());
    }

    void destroyedDuringCheck() {
        m_f->dig.setAnswer({.output = "192.0.2.1\n", .sleepSeconds = 0.3});
        m_f->start({savedWatch(QStringLiteral("example.test"))});
        QVERIFY(QTest::qWaitFor([&] { return !m_f->store->isChecking().isEmpty(); }));
        bool done = false;
        m_f->store->check(m_f->store->watches().first().id, [&] { done = true; });
        m_f->store.reset();
        QTest::qWait(600);
        QVERIFY(!done);
    }

    void checkSurvivesListGrowingFromSlot() {
        DigStore& store = m_f->start(savedWatches(2));
        QVERIFY(m_f->launchChecksDone());
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
        QVERIFY(m_f->checkNow(id));
        QVERIFY(grown);
        const QList<QStringList> calls = m_f->dig.resolverCalls();
        QCOMPARE(std::count_if(calls.cbegin(), calls.cend(),
                               [](const QStringList& c) {
                                   return c.contains(QStringLiteral("host1.example.com"));
                               }),
                 8);
    }

    void unreadableList_data() {
        QTest::addColumn<QByteArray>("copyBefore"); // null: no copy yet
        QTest::addColumn<bool>("copyWritten");

        QTest::newRow("first time") << QByteArray() << true;
        QTest::newRow("older copy kept") << QByteArray("[]x") << false;
    }

    void unreadableList() {
        QFETCH(QByteArray, copyBefore);
        QFETCH(bool, copyWritten);

        const QByteArray damaged("[{\"id\":1}");
        m_f->settings.values.insert(DigStore::settingsKey, damaged);
        if (!copyBefore.isNull())
            m_f->settings.values.insert(DigStore::unreadableKey, copyBefore);
        DigStore& store = m_f->start();
        const QByteArray copy = copyBefore.isNull() ? damaged : copyBefore;

        QVERIFY(store.watches().isEmpty());
        QCOMPARE(m_f->settings.values.value(DigStore::unreadableKey), copy);
        QCOMPARE(m_f->settings.writes.size(), copyWritten ? 1 : 0);

        QVERIFY(store.add(QStringLiteral("example.test"), RecordType::A, std::nullopt));
        QCOMPARE(m_f->settings.values.value(DigStore::settingsKey),
                 WatchListCodec::encode(store.watches()));
        QCOMPARE(m_f->settings.values.value(DigStore::unreadableKey), copy);
    }

    // The real settings file keeps the bytes it is given.
    void iniSettingsRoundTrip_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("any bytes")
            << "QuelloWatches.unreadable" << QByteArray("[{\"\\\"\xc3\xa9\0\xff\n=;#\\", 14);
        QTest::newRow("empty value") << "QuelloWatches" << QByteArray("");
    }

    void iniSettingsRoundTrip() {
        QFETCH(QString, key);
        QFETCH(QByteArray, bytes);

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Quello.conf"));
        IniSettingsStore store(file);
        QCOMPARE(store.value(key), std::nullopt);
        store.setValue(QStringLiteral("other"), "unchanged");
        store.setValue(key, bytes);

        // On disk as soon as setValue returns.
        QCOMPARE(QSettings(file, QSettings::IniFormat).value(key).toByteArray(), bytes);
        QCOMPARE(IniSettingsStore(file).value(key), std::optional(bytes));
        QCOMPARE(IniSettingsStore(file).value(QStringLiteral("other")),
                 std::optional(QByteArray("unchanged")));
    }

    void dueAfterInterval_data() {
        QTest::addColumn<bool>("settled");
        QTest::addColumn<bool>("failing");
        QTest::addColumn<double>("age"); // of the latest answer when the pass begins
        QTest::addColumn<bool>("due");

        QTest::newRow("pending at 59, TTL 0: due") << false << false << 59.0 << true;
        QTest::newRow("failed answers count") << false << true << 58.9 << false;
        QTest::newRow("settled at 598.9") << true << false << 598.9 << false;
        QTest::newRow("settled at 599") << true << false << 599.0 << true;
        QTest::newRow("clock set back") << false << false << -3600.0 << false;
    }

    void dueAfterInterval() {
        QFETCH(bool, settled);
        QFETCH(bool, failing);
        QFETCH(double, age);
        QFETCH(bool, due);

        const QString one = QStringLiteral("192.0.2.1\n");
        if (failing)
            m_f->answerAll(QStringLiteral("!9"));
        else if (settled)
            m_f->answerAll(one);
        else
            m_f->answer({one, one, QStringLiteral("192.0.2.2\n"), one});
        DigStore& store =
            m_f->start({savedWatch(QStringLiteral("example.test"), RecordType::A, {},
                                   settled ? std::optional(650'000'000.0) : std::nullopt)});
        QVERIFY(m_f->launchChecksDone());
        const QUuid id = store.watches().first().id;
        const Instant answeredAt = m_f->clock.now();

        m_f->clock.setNow(answeredAt + age - 30);
        m_f->clock.advance(30);
        QCOMPARE(store.isChecking().contains(id), due);
        QTRY_VERIFY(store.isChecking().isEmpty());
        QCOMPARE(m_f->dig.resolverCalls().size(), due ? 8 : 4);
        QCOMPARE(m_f->clock.pendingWakeUps(), 1);
        QVERIFY(m_f->clock.requestedDelays.size() == 2 && m_f->clock.requestedDelays.last() == 30s);

        if (age < 0) {
            // Due once the wall clock has caught up with the answer plus 60 s.
            m_f->clock.setNow(answeredAt + 30);
            m_f->clock.advance(30);
            QVERIFY(store.isChecking().contains(id));
        }
        // Polling ends with the store.
        m_f->store.reset();
        QCOMPARE(m_f->clock.pendingWakeUps(), 0);
    }

    // One resolver (Quad9) lags behind with a cached answer of TTL `lagTtl`
    // (-1: its query fails); the next two checks come `gaps` apart.
    void checkWhenTheLastCacheTurns_data() {
        QTest::addColumn<int>("lagTtl");
        QTest::addColumn<Gaps>("gaps");
        QTest::newRow("turns first; then no sooner than the interval") << 20 << Gaps{21, 59};
        QTest::newRow("turns after the fixed check, dropped") << 100 << Gaps{101, 101};
        QTest::newRow("a failed query has no expiry: fixed schedule") << -1 << Gaps{60, 60};
    }

    void checkWhenTheLastCacheTurns() {
        QFETCH(int, lagTtl);
        QFETCH(Gaps, gaps);
        const QString fresh = QStringLiteral("192.0.2.2\n");
        m_f->answer(
            {fresh, fresh, fresh, lagTtl < 0 ? QStringLiteral("!") : QStringLiteral("192.0.2.1\n")},
            FakeDig::any, {300, 300, 300, std::max(lagTtl, 0)});
        DigStore& store = m_f->start(savedWatches(1));
        QVERIFY(m_f->launchChecksDone());
        const Watch w = store.watches().first();
        const Resolver &first = Resolver::all().front(), &quad9 = Resolver::all().back();
        QVERIFY(store.isLagging(w, quad9) && !store.isLagging(w, first));
        const auto eta = lagTtl > 0 ? std::optional(m_f->clock.now() + lagTtl) : std::nullopt;
        QVERIFY(store.expiryOf(w, quad9) == eta && store.etaOf(w) == eta
                && store.expiryOf(w, first) == m_f->clock.now() + 300);
        qsizetype calls = 4;
        for (const double gap : gaps) {
            m_f->clock.advance(gap - 0.5);
            QCOMPARE(m_f->dig.resolverCalls().size(), calls);
            m_f->clock.advance(0.5);
            QTRY_VERIFY(store.isChecking().isEmpty());
            QCOMPARE(m_f->dig.resolverCalls().size(), calls += 4);
        }
    }

    void noAnswersYetIsDue() {
        DigStore& store = m_f->start(savedWatches(1));
        m_f->clock.advance(30);
        QVERIFY(store.isChecking().contains(store.watches().first().id));
    }

    void passChecksOneWatchAtATime() {
        const QList<Watch> saved = savedWatches(3);
        DigStore& store = m_f->start(saved);
        QVERIFY(m_f->launchChecksDone());

        m_f->dig.setAnswer({.sleepSeconds = 0.1});
        qsizetype mostAtOnce = 0;
        QList<QUuid> order;
        connect(&store, &DigStore::checkingChanged, this, [&](const QUuid& id) {
            mostAtOnce = std::max(mostAtOnce, store.isChecking().size());
            if (store.isChecking().contains(id))
                order.append(id);
        });
        // Removed during the pass: its turn passes without a check.
        connect(&store, &DigStore::resultsChanged, this, [&](const QUuid& id) {
            if (id == saved[0].id && store.watch(saved[1].id))
                store.remove(saved[1].id);
        });

        m_f->clock.advance(60);
        QCOMPARE(m_f->clock.pendingWakeUps(), 0); // no sleep while the pass runs
        QTRY_COMPARE(m_f->clock.pendingWakeUps(), 1);
        QCOMPARE(order, (QList<QUuid>{saved[0].id, saved[2].id}));
        QCOMPARE(mostAtOnce, 1);
    }

    void passAtOnceOnWakingUp() {
        PrivateBus bus;
        QVERIFY2(bus.isRunning(), qPrintable(bus.errorString()));
        QDBusConnection logind = bus.connect(QStringLiteral("logind"));
        LogindWakeWatcher watcher(bus.connect(QStringLiteral("quello")));
        QSignalSpy woke(&watcher, &WakeWatcher::wokeUp);
        const auto prepareForSleep = [&](bool goingToSleep) {
            QDBusMessage signal =
                QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                           QStringLiteral("org.freedesktop.login1.Manager"),
                                           QStringLiteral("PrepareForSleep"));
            logind.send(signal << goingToSleep);
        };
        m_f->wakeWatcher = &watcher;
        m_f->start(savedWatches(1));
        QVERIFY(m_f->launchChecksDone());

        // An hour asleep; the monotonic clock stood still meanwhile.
        prepareForSleep(true);
        m_f->clock.setNow(m_f->clock.now() + 3600);
        QTest::qWait(200);
        QCOMPARE(m_f->dig.resolverCalls().size(), 4);
        m_f->dig.setAnswer({.sleepSeconds = 1.0});
        prepareForSleep(false);
        QTRY_COMPARE(m_f->dig.resolverCalls().size(), 8);
        // Waking up again during that pass starts no second one.
        prepareForSleep(false);
        QTRY_COMPARE(woke.size(), 2);
        QVERIFY(!m_f->store->isChecking().isEmpty());
        QTRY_VERIFY(m_f->store->isChecking().isEmpty());
        QCOMPARE(m_f->dig.resolverCalls().size(), 8);
        QCOMPARE(m_f->clock.pendingWakeUps(), 1); // and sleeps afresh, in one loop
    }

    void offlineHoldsChecksUntilBack_data() {
        QTest::addColumn<bool>("backWithinGrace");
        QTest::newRow("back within the grace") << true;
        QTest::newRow("grace runs out") << false;
    }

    // Offline and a resume pass without a notification; back, due checks run.
    void offlineHoldsChecksUntilBack() {
        QFETCH(bool, backWithinGrace);
        WakeWatcher watcher;
        m_f->wakeWatcher = &watcher;
        m_f->answerAll(QStringLiteral("192.0.2.1\n"));
        DigStore& store = m_f->start(
            {savedWatch(QStringLiteral("example.test"), RecordType::A, {}, 650'000'000.0)});
        QVERIFY(m_f->launchChecksDone());
        const auto calls = [&] { return m_f->dig.resolverCalls().size(); };
        m_f->connectivity.set(Connectivity::State::Offline);
        m_f->clock.advance(1200); // polling passes fall due and check nothing
        store.checkAll();
        QTest::qWait(50);
        QCOMPARE(calls(), 4);
        Q_EMIT watcher.wokeUp();
        m_f->answerAll(QStringLiteral("!9")); // the network is not there yet
        m_f->clock.advance(DigStore::wakeGrace.count() - 1);
        QCOMPARE(calls(), 4);
        if (backWithinGrace)
            m_f->connectivity.set(Connectivity::State::Online);
        else
            m_f->clock.advance(1);
        QTRY_COMPARE(calls(), 8);
        QTRY_VERIFY(store.isChecking().isEmpty());
        QVERIFY(store.watches().first().settledAt);
        QCOMPARE(m_f->settings.writes.size(), 0);
        QCOMPARE(m_f->notifier.notifications.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDigStore)
#include "tst_digstore.moc"

#include "privatebus.h"
#include "store/logindwakewatcher.h"
#include "storefixture.h"

#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Quello;
using namespace Quello::Test;
using namespace std::chrono_literals;

class TestPolling : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dueAfterInterval_data();
    void dueAfterInterval();
    void ageCountsFromTheLatestAnswer();
    void noAnswersYetIsDue();
    void passChecksOneWatchAtATime();
    void passAtOnceOnWakingUp();
};

void TestPolling::dueAfterInterval_data() {
    QTest::addColumn<bool>("settled");
    QTest::addColumn<bool>("failing");
    QTest::addColumn<double>("age"); // of the latest answer when the pass begins
    QTest::addColumn<bool>("due");

    QTest::newRow("pending at 60") << false << false << 60.0 << true;
    QTest::newRow("failed answers count") << false << true << 59.9 << false;
    QTest::newRow("settled at 599.9") << true << false << 599.9 << false;
    QTest::newRow("settled at 600") << true << false << 600.0 << true;
    QTest::newRow("clock set back") << false << false << -3600.0 << false;
}

void TestPolling::dueAfterInterval() {
    QFETCH(bool, settled);
    QFETCH(bool, failing);
    QFETCH(double, age);
    QFETCH(bool, due);

    StoreFixture f;
    const QString one = QStringLiteral("192.0.2.1\n");
    if (failing)
        f.answerAll(QStringLiteral("!9"));
    else if (settled)
        f.answerAll(one);
    else
        f.answer({one, one, QStringLiteral("192.0.2.2\n"), one});
    f.saveList({savedWatch(QStringLiteral("example.test"), RecordType::A, {},
                           settled ? std::optional(650'000'000.0) : std::nullopt)});
    DigStore& store = f.start();
    QVERIFY(f.launchChecksDone());
    const QUuid id = store.watches().first().id;
    const Instant answeredAt = f.clock.now();

    f.clock.setNow(answeredAt + age - 30);
    f.clock.advance(30);
    QCOMPARE(store.isChecking().contains(id), due);
    QTRY_VERIFY(store.isChecking().isEmpty());
    QCOMPARE(f.dig.calls().size(), due ? 8 : 4);
    QCOMPARE(f.clock.pendingWakeUps(), 1);
    QVERIFY(f.clock.requestedDelays.size() == 2 && f.clock.requestedDelays.last() == 30s);

    if (age < 0) {
        // Due once the wall clock has caught up with the answer plus 60 s.
        f.clock.setNow(answeredAt + 30);
        f.clock.advance(30);
        QVERIFY(store.isChecking().contains(id));
    }
    // Polling ends with the store.
    f.store.reset();
    QCOMPARE(f.clock.pendingWakeUps(), 0);
}

void TestPolling::ageCountsFromTheLatestAnswer() {
    StoreFixture f;
    f.dig.setAnswer({.output = "192.0.2.1\n"});
    // The slow resolver disagrees, so the watch stays pending.
    f.dig.setAnswer({.output = "192.0.2.2\n", .sleepSeconds = 1.0}, QStringLiteral("9.9.9.9"));
    f.saveList({savedWatch(QStringLiteral("example.test"))});
    const Instant start = f.clock.now();
    QTimer::singleShot(500, this, [&] { f.clock.setNow(start + 10); });
    DigStore& store = f.start();
    QVERIFY(f.launchChecksDone());
    const Watch w = store.watches().first();
    QCOMPARE(store.results().value(w.id).value(QStringLiteral("quad9")).checkedAt, start + 10);
    QCOMPARE(store.results().value(w.id).value(QStringLiteral("system")).checkedAt, start);

    // 65 s after the first answers, 55 s after the last one.
    f.clock.setNow(start + 35);
    f.clock.advance(30);
    QVERIFY(store.isChecking().isEmpty());
}

void TestPolling::noAnswersYetIsDue() {
    StoreFixture f;
    f.saveList({savedWatch(QStringLiteral("example.test"))});
    DigStore& store = f.start();
    f.clock.advance(30);
    QVERIFY(store.isChecking().contains(store.watches().first().id));
}

void TestPolling::passChecksOneWatchAtATime() {
    StoreFixture f;
    const QList<Watch> saved{savedWatch(QStringLiteral("a.test")),
                             savedWatch(QStringLiteral("b.test")),
                             savedWatch(QStringLiteral("c.test"))};
    f.saveList(saved);
    DigStore& store = f.start();
    QVERIFY(f.launchChecksDone());

    f.dig.setAnswer({.sleepSeconds = 0.1});
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

    f.clock.advance(60);
    QCOMPARE(f.clock.pendingWakeUps(), 0); // no sleep while the pass runs
    QTRY_COMPARE(f.clock.pendingWakeUps(), 1);
    QCOMPARE(order, (QList<QUuid>{saved[0].id, saved[2].id}));
    QCOMPARE(mostAtOnce, 1);
}

void TestPolling::passAtOnceOnWakingUp() {
    PrivateBus bus;
    QVERIFY2(bus.isRunning(), qPrintable(bus.errorString()));
    QDBusConnection logind = bus.connect(QStringLiteral("logind"));
    LogindWakeWatcher watcher(bus.connect(QStringLiteral("quello")));
    QSignalSpy woke(&watcher, &WakeWatcher::wokeUp);
    const auto prepareForSleep = [&](bool goingToSleep) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"));
        logind.send(signal << goingToSleep);
    };
    StoreFixture f;
    f.wakeWatcher = &watcher;
    f.saveList({savedWatch(QStringLiteral("example.test"))});
    f.start();
    QVERIFY(f.launchChecksDone());

    // An hour asleep; the monotonic clock stood still meanwhile.
    prepareForSleep(true);
    f.clock.setNow(f.clock.now() + 3600);
    QTest::qWait(200);
    QCOMPARE(f.dig.calls().size(), 4);
    f.dig.setAnswer({.sleepSeconds = 1.0});
    prepareForSleep(false);
    QTRY_COMPARE(f.dig.calls().size(), 8);
    // Waking up again during that pass starts no second one.
    prepareForSleep(false);
    QTRY_COMPARE(woke.size(), 2);
    QVERIFY(!f.store->isChecking().isEmpty());
    QTRY_VERIFY(f.store->isChecking().isEmpty());
    QCOMPARE(f.dig.calls().size(), 8);
    QCOMPARE(f.clock.pendingWakeUps(), 1); // and sleeps afresh, in one loop
}

QTEST_GUILESS_MAIN(TestPolling)
#include "tst_polling.moc"

#include "fakedig.h"
#include "query/digqueue.h"
#include "query/openfilelimit.h"

#include <QTest>

#include <cerrno>
#include <csignal>
#include <memory>
#include <sys/resource.h>

using namespace Quello;
using Test::FakeDig;

namespace {

QString domainAt(int i) {
    return QStringLiteral("q%1.example.com").arg(i);
}

} // namespace

class TestDigQueue : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void boundRespected() {
        FakeDig fake;
        fake.setAnswer({.output = "192.0.2.1\n", .sleepSeconds = 0.3});
        DigQueue queue(fake.program(), 3);
        QObject context;
        int answered = 0;
        for (int i = 0; i < 20; ++i) {
            queue.query(domainAt(i), RecordType::A, QStringLiteral("192.0.2.53"), &context,
                        [&answered](const DigRunner::Outcome& outcome) {
                            answered += std::holds_alternative<DigRunner::Answer>(outcome) ? 1 : 0;
                        });
        }
        QCOMPARE(queue.running(), 3);
        QCOMPARE(queue.waiting(), 17);
        QTRY_COMPARE_WITH_TIMEOUT(answered, 20, 30'000);
        QCOMPARE(queue.peakRunning(), 3);
        QVERIFY(fake.peakConcurrency() <= 3);
        QCOMPARE(queue.running() + queue.waiting(), 0);
    }

    void contextDestroyed() {
        FakeDig fake;
        fake.setAnswer({.hang = true}, FakeDig::any, domainAt(0));
        fake.setAnswer({.output = "192.0.2.1\n"});
        DigQueue queue(fake.program(), 1);
        auto running = std::make_unique<QObject>();
        auto waiting = std::make_unique<QObject>();
        QObject kept;
        QStringList answered;
        const auto record = [&answered](const QString& name) {
            return [&answered, name](const DigRunner::Outcome&) { answered.append(name); };
        };
        queue.query(domainAt(0), RecordType::A, std::nullopt, running.get(), record(domainAt(0)));
        queue.query(domainAt(1), RecordType::A, std::nullopt, waiting.get(), record(domainAt(1)));
        queue.query(domainAt(2), RecordType::A, std::nullopt, &kept, record(domainAt(2)));
        QTRY_COMPARE(fake.startedPids().size(), 1);
        const qint64 pid = fake.startedPids().first();

        waiting.reset();
        running.reset();
        QVERIFY(::kill(pid_t(pid), 0) == -1 && errno == ESRCH);
        QTRY_COMPARE(answered, QStringList{domainAt(2)});
        QCOMPARE(fake.calls().size(), 2);
        QCOMPARE(queue.running() + queue.waiting(), 0);
    }

    // Many digs at once need many pipes.
    void softLimitRaisedToHardLimit() {
        rlimit before{};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &before), 0);
        if (before.rlim_max == RLIM_INFINITY)
            QSKIP("no finite hard limit here");
        // Start below the hard limit so that the raise is observable.
        if (before.rlim_cur == before.rlim_max && before.rlim_max > 64) {
            rlimit lowered = before;
            lowered.rlim_cur = 64;
            QCOMPARE(setrlimit(RLIMIT_NOFILE, &lowered), 0);
        }

        const long reported = raiseOpenFileLimit();
        rlimit after{};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &after), 0);
        QCOMPARE(after.rlim_cur, before.rlim_max);
        QCOMPARE(reported, long(after.rlim_cur));
    }
};

QTEST_GUILESS_MAIN(TestDigQueue)
#include "tst_digqueue.moc"

#include "fakedig.h"
#include "fakezone.h"
#include "wait/commandline.h"
#include "wait/jsonreport.h"
#include "wait/waitcommand.h"
#include "wait/waitrun.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

using namespace Quello;
using namespace Quello::Test;
using namespace Qt::StringLiterals;

using Seconds = std::chrono::seconds;

class TestQuelloWait : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("refusal"); // a part of it; null: accepted
        QTest::addColumn<QString>("line");    // domain, type, expected, separated by "|"
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("timeout");

        const QString ok;
        // clang-format off
        QTest::newRow("defaults") << QStringList{u"Example.COM"_s} << ok << u"example.com|A|"_s << 10 << 600;
        QTest::newRow("options after the line, = form")
            << QStringList{u"_acme-challenge.example.com"_s, u"txt"_s, u"tok"_s, u"en"_s, u"--timeout=15m"_s, u"-i"_s, u"2"_s}
            << ok << u"_acme-challenge.example.com|TXT|tok en"_s << 2 << 900;
        QTest::newRow("units add up") << QStringList{u"-t"_s, u"1h30m"_s, u"-i"_s, u"1m5s"_s, u"a.b"_s} << ok << u"a.b|A|"_s << 65 << 5400;
        QTest::newRow("-- ends the options") << QStringList{u"a.b"_s, u"TXT"_s, u"--"_s, u"-all"_s} << ok << u"a.b|TXT|-all"_s << 10 << 600;
        QTest::newRow("unit-less seconds") << QStringList{u"--interval"_s, u"90"_s, u"a.b"_s} << ok << u"a.b|A|"_s << 90 << 600;
        QTest::newRow("no dot") << QStringList{u"nodot"_s} << u"\u201cnodot\u201d is not a domain name: it has no dot"_s << ok << 0 << 0;
        QTest::newRow("unknown type") << QStringList{u"example.com"_s, u"SPF"_s} << u"\u201cSPF\u201d is not a record type"_s << ok << 0 << 0;
        QTest::newRow("option-like word") << QStringList{u"-f/etc/passwd"_s} << u"unknown option \u201c-f/etc/passwd\u201d"_s << ok << 0 << 0;
        QTest::newRow("after --, still no domain") << QStringList{u"--"_s, u"-x.example.com"_s} << u"begins with \u201c-\u201d"_s << ok << 0 << 0;
        QTest::newRow("nothing") << QStringList{u"-q"_s} << u"no domain given"_s << ok << 0 << 0;
        QTest::newRow("zero interval") << QStringList{u"-i"_s, u"0s"_s, u"a.b"_s} << u"--interval wants"_s << ok << 0 << 0;
        QTest::newRow("unit on part only") << QStringList{u"-t"_s, u"1h30"_s, u"a.b"_s} << u"not \u201c1h30\u201d"_s << ok << 0 << 0;
        QTest::newRow("beyond a week") << QStringList{u"-t"_s, u"169h"_s, u"a.b"_s} << u"--timeout wants"_s << ok << 0 << 0;
        QTest::newRow("would overflow") << QStringList{u"-t"_s, u"99999999999999999999s"_s, u"a.b"_s} << u"--timeout wants"_s << ok << 0 << 0;
        QTest::newRow("Unicode name in its ACE form") << QStringList{u"B\u00FCcher.example.test"_s} << ok << u"xn--bcher-kva.example.test|A|"_s << 10 << 600;
        QTest::newRow("value missing") << QStringList{u"a.b"_s, u"--timeout"_s} << u"--timeout wants"_s << ok << 0 << 0;
        // clang-format on
    }

    void parse() {
        QFETCH(QStringList, args);
        QFETCH(QString, refusal);
        QFETCH(QString, line);
        QFETCH(int, interval);
        QFETCH(int, timeout);

        const auto parsed = CommandLine::parse(args);
        if (!refusal.isNull()) {
            const auto* refused = std::get_if<CommandLine::Refusal>(&parsed);
            QVERIFY(refused);
            QVERIFY2(refused->message.contains(refusal), qPrintable(refused->message));
            QVERIFY(!refused->message.contains(u'\n'));
            return;
        }
        const auto* options = std::get_if<CommandLine::Options>(&parsed);
        if (const auto* refused = std::get_if<CommandLine::Refusal>(&parsed))
            QFAIL(qPrintable(refused->message));
        const QStringList parts = line.split(u'|');
        QCOMPARE(options->request.domain, parts[0]);
        QCOMPARE(rawValue(options->request.type), parts[1]);
        QCOMPARE(options->request.expected.value_or(QString()), parts[2]);
        QCOMPARE(options->interval, Seconds{interval});
        QCOMPARE(options->timeout, Seconds{timeout});
    }

    void refusedBeforeAnyDig() {
        FakeDig dig;
        WaitCommand command(dig.program());
        QCOMPARE(command.start({u"-f/etc/passwd"_s}), std::optional(2));
        QTest::qWait(100);
        QCOMPARE(dig.calls().size(), 0);
        // A missing dig is told at once, not as a check failing forever.
        QCOMPARE(WaitCommand(u"/nonexistent/dig"_s).start({u"example.com"_s}), std::optional(3));
    }

    // Quad9's cache holds the old answer 2 s more: the next check comes then,
    // not after the 10 s interval, and the report says when it expires.
    void checksWhenTheLastCacheTurns() {
        FakeDig dig;
        dig.setAnswer({.output = "192.0.2.2\n", .ttl = 300});
        dig.setAnswer({.output = "192.0.2.1\n", .ttl = 2}, u"9.9.9.9"_s);
        WaitRun run({u"example.com"_s, RecordType::A, u"192.0.2.2"_s}, Seconds{10}, Seconds{60},
                    dig.program());
        QSignalSpy finished(&run, &WaitRun::finished);
        run.start();
        QTRY_VERIFY(run.nextCheckIn());
        QVERIFY(*run.nextCheckIn() < std::chrono::seconds{4});
        const QByteArray json = JsonReport::encode(run, false);
        QVERIFY2(json.contains(R"("ttl": 2)") && json.contains(R"("answerStatus": "noError")")
                     && json.contains(R"("expiresAt": ")") && json.contains(R"("eta": ")"),
                 json.constData());

        dig.setAnswer({.output = "192.0.2.2\n", .ttl = 300}, u"9.9.9.9"_s);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
        QCOMPARE(finished.first().first().value<WaitRun::Outcome>(), WaitRun::Outcome::Settled);
    }

    void interruptReapsTheDigs() {
        FakeDig dig;
        dig.setAnswer({.hang = true});
        WaitCommand command(dig.program());
        QSignalSpy finished(&command, &WaitCommand::finished);
        QCOMPARE(command.start({u"--quiet"_s, u"example.com"_s}), std::nullopt);
        // The four resolvers and the first question about the zone's servers.
        QTRY_COMPARE(dig.startedPids().size(), 5);

        command.interrupt(SIGINT);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().toInt(), 130);
        // Killed and reaped: not even a zombie is left to signal.
        for (const qint64 pid : dig.startedPids())
            QCOMPARE(::kill(static_cast<pid_t>(pid), 0), -1);
    }

    // --source waits for the zone's servers, what a certificate authority
    // sees, and leaves the caches alone until they agree.
    void waitForTheSource_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("ns2Serves"); // null: the zone cannot be found
        QTest::addColumn<int>("exitStatus");
        QTest::addColumn<int>("resolverCalls");

        const QStringList source{u"--source"_s, u"www.example.test"_s, u"A"_s, u"192.0.2.2"_s};
        // clang-format off
        QTest::newRow("both servers serve it, every cache still old")
            << source << u"192.0.2.2"_s << 0 << 4;
        QTest::newRow("ns2 lags: waits, no cache asked") << source << u"192.0.2.1"_s << 1 << 0;
        QTest::newRow("no zone found") << source << QString() << 4 << 0;
        QTest::newRow("without --source and a value, the caches must agree with the source")
            << QStringList{u"www.example.test"_s} << u"192.0.2.2"_s << 1 << 8;
        // clang-format on
    }

    void waitForTheSource() {
        QFETCH(QStringList, args);
        QFETCH(QString, ns2Serves);
        QFETCH(int, exitStatus);
        QFETCH(int, resolverCalls);

        FakeDig dig;
        const FakeZone zone{dig};
        if (!ns2Serves.isNull()) {
            zone.publish(u"www.example.test"_s);
            zone.serve(FakeZone::ns1, u"www.example.test"_s, u"A"_s, {u"192.0.2.2"_s}, 5);
            zone.serve(FakeZone::ns2, u"www.example.test"_s, u"A"_s, {ns2Serves}, 4);
        }
        dig.setAnswer({.output = "192.0.2.1\n"});
        WaitCommand command(dig.program());
        QSignalSpy finished(&command, &WaitCommand::finished);
        QCOMPARE(command.start(QStringList{u"-q"_s, u"-i"_s, u"1s"_s, u"-t"_s, u"2s"_s} + args),
                 std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10'000);
        QCOMPARE(finished.first().first().toInt(), exitStatus);
        // Capped at two checks: how many fit into the time depends on the machine.
        QCOMPARE(std::min<qsizetype>(dig.resolverCalls().size(), 8), resolverCalls);
        // The caches are asked only after the servers' last answer.
        const QList<QStringList> calls = dig.calls();
        if (args.contains(u"--source"_s) && resolverCalls > 0)
            QVERIFY(!calls.last().contains(u"+norecurse"_s) && !calls.last().contains(u"SOA"_s));
    }
};

QTEST_GUILESS_MAIN(TestQuelloWait)
#include "tst_quellowait.moc"

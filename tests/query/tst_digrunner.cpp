#include "fakedig.h"
#include "query/digrunner.h"

#include <QTest>

using namespace Quello;
using Test::FakeDig;
using Reason = DigRunner::Failure::Reason;

namespace {

// The outcome, if it came exactly once and not from inside the call.
std::optional<DigRunner::Outcome>
run(const QString& program, const QString& domain,
    const std::optional<QString>& server = std::nullopt, RecordType type = RecordType::A,
    std::chrono::milliseconds timeout = DigRunner::watchdogTimeout) {
    QObject context;
    QList<DigRunner::Outcome> outcomes;
    DigRunner::query(
        program, domain, type, server, &context,
        [&outcomes](const DigRunner::Outcome& outcome) { outcomes.append(outcome); }, timeout);
    const bool inside = !outcomes.isEmpty();
    (void)QTest::qWaitFor([&] { return !outcomes.isEmpty(); }, 15'000);
    QTest::qWait(50);
    if (inside || outcomes.size() != 1)
        return std::nullopt;
    return outcomes.first();
}

DigRunner::Outcome fail(Reason reason, int status = 0) {
    return DigRunner::Failure{reason, status};
}

} // namespace

class TestDigRunner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void argumentsReachTheChild_data();
    void argumentsReachTheChild();
    void outcome_data();
    void outcome();
    void outputSize_data();
    void outputSize();
    void invalidDomainStartsNoProcess_data();
    void invalidDomainStartsNoProcess();
};

void TestDigRunner::argumentsReachTheChild_data() {
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<RecordType>("type");
    QTest::addColumn<QStringList>("expected");

    const auto args = [](const char* text) { return QString::fromLatin1(text).split(u' '); };
    QTest::newRow("system resolver") << QString() << QStringLiteral("example.com") << RecordType::MX
                                     << args("+short +time=3 +tries=1 example.com MX");
    QTest::newRow("quad9") << QStringLiteral("9.9.9.9") << QStringLiteral("_dmarc.example.com")
                           << RecordType::TXT
                           << args("+short +time=3 +tries=1 @9.9.9.9 _dmarc.example.com TXT");
}

void TestDigRunner::argumentsReachTheChild() {
    QFETCH(QString, server);
    QFETCH(QString, domain);
    QFETCH(RecordType, type);
    QFETCH(QStringList, expected);

    FakeDig fake;
    const std::optional<QString> maybeServer =
        server.isNull() ? std::nullopt : std::optional<QString>(server);
    const auto outcome = run(fake.program(), domain, maybeServer, type);
    QVERIFY(outcome);
    QCOMPARE(fake.calls(), QList<QStringList>{expected});
}

void TestDigRunner::outcome_data() {
    QTest::addColumn<FakeDig::Answer>("answer");
    QTest::addColumn<DigRunner::Outcome>("expected");

    QTest::newRow("values normalized and sorted")
        << FakeDig::Answer{.output = "b.example.\n; note\na.example.\n"}
        << DigRunner::Outcome(
               QStringList{QStringLiteral("a.example"), QStringLiteral("b.example")});
    QTest::newRow("status 9, output ignored")
        << FakeDig::Answer{.output = "192.0.2.1\n", .status = 9} << fail(Reason::ExitStatus, 9);
    QTest::newRow("killed by a signal")
        << FakeDig::Answer{.output = "192.0.2.1\n", .signal = "TERM"} << fail(Reason::Crashed);
    QTest::newRow("stderr ignored, invalid UTF-8 gives no values")
        << FakeDig::Answer{.output = "192.0.2.1\n\xff\xfe\n", .errorOutput = "warning\n"}
        << DigRunner::Outcome(QStringList());
    QTest::newRow("valid UTF-8 decoded")
        << FakeDig::Answer{.output = "\"caf\xc3\xa9\"\n"}
        << DigRunner::Outcome(QStringList{QStringLiteral("caf\u00e9")});
    QTest::newRow("no answer within the watchdog")
        << FakeDig::Answer{.hang = true} << fail(Reason::TimedOut);
}

void TestDigRunner::outcome() {
    QFETCH(FakeDig::Answer, answer);
    QFETCH(DigRunner::Outcome, expected);

    FakeDig fake;
    fake.setAnswer(answer);
    const auto outcome = run(fake.program(), QStringLiteral("example.com"), std::nullopt,
                             RecordType::A, std::chrono::seconds(2));
    QVERIFY(outcome);
    QCOMPARE(*outcome, expected);
}

void TestDigRunner::outputSize_data() {
    QTest::addColumn<int>("lines"); // of 13 bytes each
    QTest::addColumn<bool>("tooLarge");
    // Far more than a pipe holds: read while the child runs, and kept whole.
    QTest::newRow("just under the cap") << 80'000 << false;
    // Would print for a long time: stopped at the cap, not at the watchdog.
    QTest::newRow("endless") << 100'000'000 << true;
}

void TestDigRunner::outputSize() {
    QFETCH(int, lines);
    QFETCH(bool, tooLarge);
    FakeDig fake;
    fake.setAnswer({.output = "198.51.100.7\n", .repeat = lines});
    const auto outcome = run(fake.program(), QStringLiteral("example.com"));
    QVERIFY(outcome);
    if (tooLarge) {
        QCOMPARE(*outcome, fail(Reason::OutputTooLarge));
        return;
    }
    const auto* values = std::get_if<QStringList>(&*outcome);
    QVERIFY(values);
    QCOMPARE(values->count(QStringLiteral("198.51.100.7")), lines);
}

void TestDigRunner::invalidDomainStartsNoProcess_data() {
    QTest::addColumn<QString>("domain");
    QTest::newRow("option") << QStringLiteral("-f/etc/passwd");
    QTest::newRow("server") << QStringLiteral("@192.0.2.1");
}

void TestDigRunner::invalidDomainStartsNoProcess() {
    QFETCH(QString, domain);
    FakeDig fake;
    const auto outcome = run(fake.program(), domain);
    QVERIFY(outcome);
    QCOMPARE(*outcome, fail(Reason::InvalidDomain));
    QVERIFY(fake.calls().isEmpty());
}

QTEST_GUILESS_MAIN(TestDigRunner)
#include "tst_digrunner.moc"

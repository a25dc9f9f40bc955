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
    void normalize_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");

        QTest::newRow("two final dots lose one")
            << QStringLiteral("example.com..") << QStringLiteral("example.com.");
        QTest::newRow("quoted name, spaces around, final dot")
            << QStringLiteral("  \"mail.example.com.\" \t") << QStringLiteral("mail.example.com");
        QTest::newRow("two quoted strings keep the inner quotes")
            << QStringLiteral("\"part one\" \"part two\"")
            << QStringLiteral("part one\" \"part two");
        QTest::newRow("unicode space separators trimmed")
            << QStringLiteral("\u00a0\u3000192.0.2.1\u2003\u202f") << QStringLiteral("192.0.2.1");
    }

    void normalize() {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QCOMPARE(DigRunner::normalize(value), expected);
    }

    void valuesFromOutput_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("no final line feed")
            << QStringLiteral("192.0.2.1") << QStringList{QStringLiteral("192.0.2.1")};
        QTest::newRow("MX sorted as text, not by preference")
            << QStringLiteral("5 mx1.example.com.\n10 mx2.example.com.\n")
            << QStringList{QStringLiteral("10 mx2.example.com"),
                           QStringLiteral("5 mx1.example.com")};
        QTest::newRow("equal values both kept")
            << QStringLiteral("192.0.2.1\n192.0.2.1\n")
            << QStringList{QStringLiteral("192.0.2.1"), QStringLiteral("192.0.2.1")};
        QTest::newRow("comments dropped, indented ones too")
            << QStringLiteral(";; connection timed out\n   ; indented\n192.0.2.1\n")
            << QStringList{QStringLiteral("192.0.2.1")};
        QTest::newRow("semicolon further in kept") << QStringLiteral("\"v=DKIM1; k=rsa\"\n")
                                                   << QStringList{QStringLiteral("v=DKIM1; k=rsa")};
        QTest::newRow("blank, dot and quote-pair lines dropped")
            << QStringLiteral("  \n.\n\t\n\"\"\n192.0.2.1\n")
            << QStringList{QStringLiteral("192.0.2.1")};
        QTest::newRow("CRLF lines keep their carriage returns, dots before them too")
            << QStringLiteral("b.example.\r\na.example.\r\n")
            << QStringList{QStringLiteral("a.example.\r"), QStringLiteral("b.example.\r")};
    }

    void valuesFromOutput() {
        QFETCH(QString, output);
        QFETCH(QStringList, expected);
        QCOMPARE(DigRunner::valuesFromOutput(output), expected);
    }

    void argumentsReachTheChild_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<RecordType>("type");
        QTest::addColumn<QStringList>("expected");

        const auto args = [](const char* text) { return QString::fromLatin1(text).split(u' '); };
        QTest::newRow("system resolver")
            << QString() << QStringLiteral("example.com") << RecordType::MX
            << args("+short +time=3 +tries=1 example.com MX");
        QTest::newRow("quad9") << QStringLiteral("9.9.9.9") << QStringLiteral("_dmarc.example.com")
                               << RecordType::TXT
                               << args("+short +time=3 +tries=1 @9.9.9.9 _dmarc.example.com TXT");
    }

    void argumentsReachTheChild() {
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

    void outcome_data() {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<FakeDig::Answer>("answer");
        QTest::addColumn<DigRunner::Outcome>("expected");
        const auto row = [](const char* name, const FakeDig::Answer& answer,
                            const DigRunner::Outcome& expected,
                            const char* domain = "example.com") {
            QTest::newRow(name) << QString::fromLatin1(domain) << answer << expected;
        };
        const auto values = [](const QStringList& list) { return DigRunner::Outcome(list); };

        row("values normalized and sorted", {.output = "b.example.\n; note\na.example.\n"},
            values({QStringLiteral("a.example"), QStringLiteral("b.example")}));
        row("status 9, output ignored", {.output = "192.0.2.1\n", .status = 9},
            fail(Reason::ExitStatus, 9));
        row("killed by a signal", {.output = "192.0.2.1\n", .signal = "TERM"},
            fail(Reason::Crashed));
        row("stderr ignored, invalid UTF-8 gives no values",
            {.output = "192.0.2.1\n\xff\xfe\n", .errorOutput = "warning\n"}, values({}));
        row("valid UTF-8 decoded", {.output = "\"caf\xc3\xa9\"\n"},
            values({QStringLiteral("caf\u00e9")}));
        row("no answer within the watchdog", {.hang = true}, fail(Reason::TimedOut));
        // Far more than a pipe holds: read while the child runs, and kept whole.
        row("just under the cap", {.output = "198.51.100.7\n", .repeat = 80'000},
            values(QStringList(80'000, QStringLiteral("198.51.100.7"))));
        // Would print for a long time: stopped at the cap, not at the watchdog.
        row("endless", {.output = "198.51.100.7\n", .repeat = 100'000'000},
            fail(Reason::OutputTooLarge));
        row("option for a domain", {}, fail(Reason::InvalidDomain), "-f/etc/passwd");
        row("server for a domain", {}, fail(Reason::InvalidDomain), "@192.0.2.1");
    }

    void outcome() {
        QFETCH(QString, domain);
        QFETCH(FakeDig::Answer, answer);
        QFETCH(DigRunner::Outcome, expected);

        FakeDig fake;
        fake.setAnswer(answer);
        const auto outcome =
            run(fake.program(), domain, std::nullopt, RecordType::A, std::chrono::seconds(3));
        QVERIFY(outcome);
        QCOMPARE(*outcome, expected);
        QCOMPARE(fake.calls().size(), expected == fail(Reason::InvalidDomain) ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(TestDigRunner)
#include "tst_digrunner.moc"

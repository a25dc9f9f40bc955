#include "fakezone.h"
#include "query/digresponse.h"
#include "query/digrunner.h"

#include <QFile>
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

DigRunner::Outcome fail(Reason reason, int status = 0,
                        AnswerStatus kind = AnswerStatus::QueryFailed) {
    return DigRunner::Failure{reason, status, kind};
}

// One answer record as dig's long form prints it.
QByteArray record(const char* owner, int ttl, const char* type, const char* rdata) {
    return QByteArray(owner) + "\t\t" + QByteArray::number(ttl) + "\tIN\t" + type + '\t' + rdata
           + '\n';
}

const QByteArray soa = record("example.com.", 3500, "SOA",
                              "ns1.example.com. hostmaster.example.com. 7 3600 900 604800 60");

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
        // Code-unit order, case-sensitive: upper case before lower case.
        QTest::newRow("plain code-unit order")
            << QStringLiteral("b.example.\nB.example.\na.example.\nZ.example.\n")
            << QStringList{QStringLiteral("B.example"), QStringLiteral("Z.example"),
                           QStringLiteral("a.example"), QStringLiteral("b.example")};
        QTest::newRow("CRLF lines keep their carriage returns, dots before them too")
            << QStringLiteral("b.example.\r\na.example.\r\n")
            << QStringList{QStringLiteral("a.example.\r"), QStringLiteral("b.example.\r")};
    }

    void valuesFromOutput() {
        QFETCH(QString, output);
        QFETCH(QStringList, expected);
        QCOMPARE(DigRunner::valuesFromOutput(output), expected);
    }

    // The parts a caller reads besides the values: flags, owners, sections.
    void parse() {
        const DigResponse response = DigResponse::parse(
            u";; Got answer:\n"
            ";; ->>HEADER<<- opcode: QUERY, status: NOERROR, id: 1\n"
            ";; flags: qr aa; QUERY: 1, ANSWER: 1, AUTHORITY: 1, ADDITIONAL: 1\n\n"
            ";; OPT PSEUDOSECTION:\n; EDNS: version: 0, flags:; udp: 1232\n"
            ";; ANSWER SECTION:\n"
            "example.test.\t\t120\tIN\tSOA\tns1.example.test. h.example.test. 9 1 2 3 30\n\n"
            ";; AUTHORITY SECTION:\n"
            "example.test.\t\t120\tIN\tNS\tns1.example.test.\n\n"
            ";; Warning, extra type option\n");
        QVERIFY(response.isAuthoritative());
        QCOMPARE(response.status, QStringLiteral("NOERROR"));
        QCOMPARE(response.answer,
                 (QList<DigResponse::Record>{
                     {QStringLiteral("example.test."), 120, QStringLiteral("SOA"),
                      QStringLiteral("ns1.example.test. h.example.test. 9 1 2 3 30")}}));
        QCOMPARE(
            response.authority,
            (QList<DigResponse::Record>{{QStringLiteral("example.test."), 120, QStringLiteral("NS"),
                                         QStringLiteral("ns1.example.test.")}}));
        QCOMPARE(response.messages, QStringList{QStringLiteral("Warning, extra type option")});
        QCOMPARE(response.remainingTtl(), 120);
    }

    // What the real dig printed in the lab's caching world, in both forms.
    void recordedOutput_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::optional<AnswerStatus>>("status");
        QTest::addColumn<std::optional<qint64>>("ttl");
        const auto row = [](const char* name, std::optional<AnswerStatus> status,
                            std::optional<qint64> ttl = std::nullopt) {
            QTest::newRow(name) << QString::fromLatin1(name) << status << ttl;
        };
        using S = AnswerStatus;
        row("a-cname-chain", S::NoError, 120);
        row("a-cached-later", S::NoError, 118);
        row("a-several", S::NoError, 60);
        row("a-system", S::NoError, 120);
        row("aaaa", S::NoError, 120);
        row("cname", S::NoError, 300);
        row("mx", S::NoError, 3600);
        row("txt-multi", S::NoError, 300);
        row("nxdomain", S::NoSuchName, 300);
        row("nxdomain-cached-later", S::NoSuchName, 297);
        row("nodata", S::NoData, 300);
        row("nodata-cname-chain", S::NoError, 300);
        row("refused", S::Refused);
        row("servfail", S::ServerFailure);
        row("timeout", S::TimedOut);
        row("unreachable", S::ConnectionRefused);
        row("unreachable-system", S::ConnectionRefused);
        row("illegal-name", std::nullopt);
    }

    void recordedOutput() {
        QFETCH(QString, name);
        QFETCH(std::optional<AnswerStatus>, status);
        QFETCH(std::optional<qint64>, ttl);
        const auto read = [&](const char* form) {
            QFile file(QFINDTESTDATA(QStringLiteral("../support/digoutput/") + name + u'.'
                                     + QLatin1String(form)));
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        const DigResponse response = DigResponse::parse(read("long"));
        QCOMPARE(response.values(), DigRunner::valuesFromOutput(read("short")));
        QCOMPARE(response.answerStatus(), status);
        QCOMPARE(response.remainingTtl(), ttl);
    }

    void argumentsReachTheChild_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<RecordType>("type");
        QTest::addColumn<QStringList>("expected");

        const auto args = [](const char* text) { return QString::fromLatin1(text).split(u' '); };
        QTest::newRow("system resolver")
            << QString() << QStringLiteral("example.com") << RecordType::MX
            << args("-r +time=3 +tries=1 +noall +comments +answer +authority example.com MX");
        QTest::newRow("quad9") << QStringLiteral("9.9.9.9") << QStringLiteral("_dmarc.example.com")
                               << RecordType::TXT
                               << args("-r +time=3 +tries=1 +noall +comments +answer +authority "
                                       "@9.9.9.9 _dmarc.example.com TXT");
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
        const auto values = [](const QStringList& list,
                               std::optional<AnswerStatus> status = AnswerStatus::NoError,
                               std::optional<qint64> ttl = 0) {
            return DigRunner::Outcome(DigRunner::Answer{list, status, ttl});
        };

        row("values normalized and sorted", {.output = "b.example.\n; note\na.example.\n"},
            values({QStringLiteral("a.example"), QStringLiteral("b.example")}));
        row("status 9, output ignored", {.output = "192.0.2.1\n", .status = 9},
            fail(Reason::ExitStatus, 9));
        row("killed by a signal", {.output = "192.0.2.1\n", .signal = "TERM"},
            fail(Reason::Crashed));
        row("stderr ignored, invalid UTF-8 gives no values",
            {.output = "192.0.2.1\n\xff\xfe\n", .errorOutput = "warning\n"},
            values({}, std::nullopt, std::nullopt));
        row("valid UTF-8 decoded", {.output = "\"caf\xc3\xa9\"\n"},
            values({QStringLiteral("caf\u00e9")}));
        row("no answer within the watchdog", {.hang = true},
            fail(Reason::TimedOut, 0, AnswerStatus::TimedOut));
        // Far more than a pipe holds: read while the child runs, and kept whole.
        row("just under the cap", {.output = "198.51.100.7\n", .repeat = 25'000},
            values(QStringList(25'000, QStringLiteral("198.51.100.7"))));
        // Would print for a long time: stopped at the cap, not at the watchdog.
        row("endless", {.output = "198.51.100.7\n", .repeat = 100'000'000},
            fail(Reason::OutputTooLarge));
        const auto header = [](const char* status) {
            return QByteArray(";; ->>HEADER<<- opcode: QUERY, status: ") + status
                   + ", id: 7\n;; flags: qr rd ra; QUERY: 1, ANSWER: 2\n\n";
        };
        row("chain: both links, the smallest TTL",
            {.output = header("NOERROR") + ";; ANSWER SECTION:\n"
                       + record("www.example.com.", 300, "CNAME", "one.example.com.")
                       + record("one.example.com.", 120, "A", "192.0.2.1"),
             .verbatim = true},
            values({QStringLiteral("192.0.2.1"), QStringLiteral("one.example.com")},
                   AnswerStatus::NoError, 120));
        row("MX and its TTL", {.output = "5 mx5.example.com.\n10 mx10.example.com.\n", .ttl = 90},
            values({QStringLiteral("10 mx10.example.com"), QStringLiteral("5 mx5.example.com")},
                   AnswerStatus::NoError, 90));
        row("TXT of two strings", {.output = "\"v=spf1 -all\" \"two\"\n", .ttl = 60},
            values({QStringLiteral("v=spf1 -all\" \"two")}, AnswerStatus::NoError, 60));
        // A cache keeps a negative answer no longer than the SOA's minimum.
        row("no such name: the SOA's minimum caps its TTL", {.rcode = "NXDOMAIN", .authority = soa},
            values({}, AnswerStatus::NoSuchName, 60));
        row("no data: the SOA's TTL below its minimum",
            {.authority = record("example.com.", 42, "SOA", "ns1. host. 7 3600 900 604800 60")},
            values({}, AnswerStatus::NoData, 42));
        row("server failure", {.rcode = "SERVFAIL"},
            values({}, AnswerStatus::ServerFailure, std::nullopt));
        row("refused", {.rcode = "REFUSED"}, values({}, AnswerStatus::Refused, std::nullopt));
        row("other response code", {.rcode = "NOTIMP"},
            values({}, AnswerStatus::OtherError, std::nullopt));
        row("the last response counts",
            {.output = ";; communications error to 127.0.0.53#53: timed out\n" + header("NOERROR")
                       + ";; ANSWER SECTION:\n" + record("example.com.", 5, "A", "192.0.2.1"),
             .verbatim = true},
            values({QStringLiteral("192.0.2.1")}, AnswerStatus::NoError, 5));
        row("timed out", {.output = Test::noReply("192.0.2.1"), .status = 9, .verbatim = true},
            fail(Reason::ExitStatus, 9, AnswerStatus::TimedOut));
        row("connection refused",
            {.output = ";; communications error to 192.0.2.1#53: connection refused\n",
             .status = 9,
             .verbatim = true},
            fail(Reason::ExitStatus, 9, AnswerStatus::ConnectionRefused));
        row("network unreachable",
            {.output = ";; UDP setup with 192.0.2.9#53(192.0.2.9) for example.com failed: "
                       "network unreachable.\n",
             .status = 9,
             .verbatim = true},
            fail(Reason::ExitStatus, 9, AnswerStatus::Unreachable));
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

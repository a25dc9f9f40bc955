// What the source's dig runs print, read: one zone server's answer, and the
// zone that holds a name, from the long form dig prints.

#include "fakezone.h"
#include "query/digresponse.h"
#include "query/sourcequery.h"
#include "query/zonefinder.h"

#include <QTest>

using namespace Quello;
using Problem = SourceAnswer::Problem;
using namespace Qt::StringLiterals;

class TestSourceQuery : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // One server's run: the record, then the zone's SOA.
    void sourceAnswer_data() {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QStringList>("chain");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<int>("problem");
        QTest::addColumn<int>("serial"); // -1: none

        const QString a = QStringLiteral("www.example.test.\t120\tIN\tA\t");
        const QByteArray soa7 = Test::longReply("NOERROR", true, {Test::soaRecord(7)});
        const QStringList none;
        // clang-format off
        QTest::newRow("records sorted, serial from the second question")
            << Test::longReply("NOERROR", true, {a + u"192.0.2.9"_s, a + u"192.0.2.10"_s}) + soa7
            << none << QStringList{u"192.0.2.10"_s, u"192.0.2.9"_s} << int(Problem::None) << 7;
        QTest::newRow("no such name is an answer: no records")
            << Test::longReply("NXDOMAIN", true, {}, {Test::soaRecord(7)}) + soa7
            << none << none << int(Problem::None) << 7;
        QTest::newRow("chain first, TXT unquoted as the short form")
            << Test::longReply("NOERROR", true, {u"t.auth.example.test.\t60\tIN\tTXT\t\"tok en\""_s}) + soa7
            << QStringList{u"t.auth.example.test"_s} << QStringList{u"t.auth.example.test"_s, u"tok en"_s}
            << int(Problem::None) << 7;
        QTest::newRow("silent server") << Test::noReply("127.0.1.2") + Test::noReply("127.0.1.2")
            << none << none << int(Problem::TimedOut) << -1;
        QTest::newRow("port closed") << Test::noReply("127.0.1.2", "connection refused") + soa7
            << none << none << int(Problem::Unreachable) << -1;
        QTest::newRow("no IPv6 here")
            << QByteArray(";; UDP setup with 2001:db8::1#53(2001:db8::1) for www.example.test failed: network unreachable.\n;; no servers could be reached\n")
            << none << none << int(Problem::NoRoute) << -1;
        QTest::newRow("refused") << Test::longReply("REFUSED", false, {}) + soa7
            << none << none << int(Problem::Refused) << -1;
        QTest::newRow("lame: answers, but not from its zone")
            << Test::longReply("NOERROR", false, {a + u"192.0.2.1"_s}) + soa7
            << none << none << int(Problem::NotAuthoritative) << -1;
        QTest::newRow("the record's question timed out, the SOA's did not")
            << Test::noReply("127.0.1.1") + soa7 << none << none << int(Problem::TimedOut) << -1;
        // clang-format on
    }

    void sourceAnswer() {
        QFETCH(QByteArray, output);
        QFETCH(QStringList, chain);
        QFETCH(QStringList, values);
        QFETCH(int, problem);
        QFETCH(int, serial);

        const ZoneServers zone{
            QStringLiteral("example.test"), QStringLiteral("www.example.test"), chain, {}, 60};
        const SourceServer server{QStringLiteral("ns1.example.test"), QStringLiteral("127.0.1.1")};
        const SourceAnswer answer = SourceQuery::read(zone, server, QString::fromUtf8(output), 5);
        QCOMPARE(int(answer.problem), problem);
        QCOMPARE(answer.values, values);
        QCOMPARE(answer.serial, serial < 0 ? std::nullopt : std::optional(quint32(serial)));
    }

    // The resolver's reply to "NAME SOA": which zone holds the record.
    void zoneOfName_data() {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<bool>("followCname");
        QTest::addColumn<QString>("found"); // zone|target|chain; empty: none

        const QString cname = QStringLiteral("www.example.test.\t300\tIN\tCNAME\t");
        const QString soa = Test::soaRecord(3);
        // clang-format off
        QTest::newRow("name below the apex: SOA in the authority section")
            << Test::longReply("NOERROR", false, {}, {soa}) << true << u"example.test|www.example.test|"_s;
        QTest::newRow("no such name still names the zone")
            << Test::longReply("NXDOMAIN", false, {}, {soa}) << true << u"example.test|www.example.test|"_s;
        QTest::newRow("chain followed, target's case kept in the chain")
            << Test::longReply("NOERROR", false,
                               {cname + u"Web.example.test."_s, u"web.example.test.\t300\tIN\tCNAME\thost.example.test."_s}, {soa})
            << true << u"example.test|host.example.test|Web.example.test,host.example.test"_s;
        QTest::newRow("a watched CNAME is not followed")
            << Test::longReply("NOERROR", false, {cname + u"host.example.test."_s}, {soa}) << false << QString();
        QTest::newRow("an SOA that cannot hold the name")
            << Test::longReply("NOERROR", false, {}, {u"other.test.\t300\tIN\tSOA\tns.other.test. h.other.test. 1 2 3 4 5"_s})
            << true << QString();
        QTest::newRow("no SOA at all (split horizon, a forwarder that strips it)")
            << Test::longReply("NXDOMAIN", false, {}) << true << QString();
        QTest::newRow("no answer") << Test::noReply("127.0.0.53") << true << QString();
        QTest::newRow("a CNAME target dig would take for an option")
            << Test::longReply("NOERROR", false, {cname + u"-f.example.test."_s}, {soa}) << true << QString();
        // clang-format on
    }

    void zoneOfName() {
        QFETCH(QByteArray, output);
        QFETCH(bool, followCname);
        QFETCH(QString, found);

        const auto apex = ZoneFinder::apexFrom(DigResponse::parse(QString::fromUtf8(output)),
                                               QStringLiteral("www.example.test"), followCname);
        QCOMPARE(apex ? apex->zone + u'|' + apex->target + u'|' + apex->chain.join(u',')
                      : QString(),
                 found);
    }
};

QTEST_GUILESS_MAIN(TestSourceQuery)
#include "tst_sourcequery.moc"

// The source in the lab's caching world: two Knot servers (ns1, ns2) for
// example.test and four Unbound caches at the resolver addresses. The caches
// are primed with the old answer before the zone changes, so they hold it for
// its TTL while the zone's servers already serve the new one; flushing a
// cache stands for its TTL running out.

#include "dnslab.h"
#include "store/sourcetext.h"
#include "storefixture.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using namespace Quello;
using namespace Quello::Test;
using namespace Qt::StringLiterals;

namespace {

const QString www = u"www.example.test"_s;

// www A with TTL 120 on both servers, cached by every resolver.
[[nodiscard]] bool primedWith(const QString& value) {
    QString commands = u"set|all|www.example.test|A|120|"_s + value;
    for (const QString& resolver : {u"system"_s, u"cloudflare"_s, u"google"_s, u"quad9"_s})
        commands += u";prime|"_s + resolver + u"|www.example.test|A"_s;
    return DnsLab::runCommands(commands);
}

struct WaitResult {
    int status = -1;
    QString progress; // standard error
    QJsonObject json;
};

WaitResult quelloWait(const QStringList& args) {
    QProcess wait;
    wait.start(QStringLiteral(QUELLO_WAIT_BINARY),
               QStringList{u"--interval"_s, u"1s"_s, u"--json"_s} + args);
    WaitResult result;
    if (!wait.waitForFinished(60'000) || wait.exitStatus() != QProcess::NormalExit)
        return result;
    result.status = wait.exitCode();
    result.progress = QString::fromUtf8(wait.readAllStandardError());
    result.json = QJsonDocument::fromJson(wait.readAllStandardOutput()).object();
    return result;
}

} // namespace

class TestDnslabSource : public QObject {
    Q_OBJECT

    std::unique_ptr<StoreFixture> m_f;

    QString details(const QUuid& id) const {
        return SourceText::details(*m_f->store->watch(id), m_f->store->source().entry(id));
    }
    QString blocker(const QUuid& id) const {
        return SourceText::blocker(*m_f->store->watch(id), m_f->store->source().entry(id),
                                   m_f->store->results().value(id));
    }

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariable("DNSLAB_WORLD") != u"caching"_s)
            QSKIP("needs the lab's caching world: tests/dnslab/dnslab run -- ctest -L dns");
        if (!QFileInfo(QStringLiteral("/usr/bin/dig")).isExecutable())
            QSKIP("needs /usr/bin/dig (package bind9-dnsutils)");
    }
    void init() {
        QVERIFY(DnsLab::runCommands(u"reset"_s));
        m_f = std::make_unique<StoreFixture>();
        m_f->digProgram = QStringLiteral("/usr/bin/dig");
    }
    void cleanup() { m_f.reset(); }

    // Added right after a change, a watch without an expected value waits
    // for the caches to turn, then settles with one notification.
    void caches_agreeing_on_the_old_answer_do_not_settle() {
        QVERIFY(primedWith(u"192.0.2.1"_s));
        QVERIFY(DnsLab::runCommands(u"set|all|www.example.test|A|120|192.0.2.2"_s));
        const QUuid id = m_f->addAndCheck(www);
        QVERIFY(!id.isNull());
        QVERIFY(!m_f->store->watch(id)->settledAt);
        QCOMPARE(blocker(id), u"resolvers agree on the old answer"_s);
        QVERIFY2(details(id).startsWith(u"192.0.2.2 \u00b7 2 of 2 servers, serial "_s),
                 qPrintable(details(id)));

        // Three caches let go; the fourth still holds the old answer.
        QVERIFY(DnsLab::runCommands(u"flush|system;flush|cloudflare;flush|google"_s));
        QVERIFY(m_f->checkNow(id));
        QVERIFY(!m_f->store->watch(id)->settledAt);
        QVERIFY(DnsLab::runCommands(u"flush|quad9"_s));
        QVERIFY(m_f->checkNow(id));
        QVERIFY(m_f->store->watch(id)->settledAt);
        QVERIFY(m_f->checkNow(id));
        QCOMPARE(m_f->notifier.notifications.size(), 1);
        QCOMPARE(m_f->notifier.notifications.first().body, u"All resolvers now return 192.0.2.2"_s);
    }

    void lagging_ns2_is_named() {
        QVERIFY(primedWith(u"192.0.2.1"_s));
        QVERIFY(DnsLab::runCommands(u"set|ns1|www.example.test|A|120|192.0.2.2"_s));
        const QUuid id = m_f->addAndCheck(www);
        QVERIFY(!id.isNull());
        QCOMPARE(details(id), u"servers disagree: ns2 still has 192.0.2.1"_s);
        QCOMPARE(blocker(id), u"servers disagree: ns2 still has 192.0.2.1"_s);

        const WaitResult waited = quelloWait({u"-t"_s, u"3s"_s, www});
        QCOMPARE(waited.status, 1);
        QVERIFY2(waited.progress.contains(u"ns2 still has 192.0.2.1"_s),
                 qPrintable(waited.progress));
    }

    // What a certificate authority sees: every server of the zone, the
    // caches left alone until then. A CNAME'd challenge is followed.
    void quello_wait_source_data() {
        QTest::addColumn<QString>("setup"); // lab commands, ";" between them
        QTest::addColumn<QStringList>("line");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("servedName");

        const QString both = u"set|all|www.example.test|A|120|192.0.2.2"_s;
        const QStringList line{www, u"A"_s, u"192.0.2.2"_s};
        // clang-format off
        QTest::newRow("both servers serve it, every cache still old") << both << line << 0 << www;
        QTest::newRow("ns2 lags: waits") << u"set|ns1|www.example.test|A|120|192.0.2.2"_s << line << 1 << www;
        QTest::newRow("CNAME'd challenge followed")
            << u"set|all|_acme-challenge.example.test|CNAME|300|t.auth.example.test.;"
               "set|all|t.auth.example.test|TXT|60|\"t0ken\""_s
            << QStringList{u"_acme-challenge.example.test"_s, u"TXT"_s, u"t0ken"_s} << 0
            << u"t.auth.example.test"_s;
        QTest::newRow("servers unreachable: the source is unknown")
            << u"stop|ns1;stop|ns2"_s << line << 4 << QString();
        // clang-format on
    }

    void quello_wait_source() {
        QFETCH(QString, setup);
        QFETCH(QStringList, line);
        QFETCH(int, status);
        QFETCH(QString, servedName);

        QVERIFY(primedWith(u"192.0.2.1"_s));
        QVERIFY(DnsLab::runCommands(setup));
        const WaitResult waited = quelloWait(QStringList{u"--source"_s, u"-t"_s, u"3s"_s} + line);
        QCOMPARE(waited.status, status);
        const QJsonObject source = waited.json.value(u"source"_s).toObject();
        QCOMPARE(source.value(u"name"_s).toString(), servedName);
        if (status == 0 && servedName == www) {
            // Settled on the servers while every cache still had the old value.
            for (const QJsonValue resolver : waited.json.value(u"resolvers"_s).toArray())
                QCOMPARE(resolver[u"values"_s].toArray().first().toString(), u"192.0.2.1"_s);
            QCOMPARE(source.value(u"agreeing"_s).toInt(), 2);
        }
    }

    // Servers gone once the zone was found: the source is unknown and the
    // four agreeing settle the watch, as without a source.
    void unreachable_servers_leave_todays_rule() {
        QVERIFY(primedWith(u"192.0.2.1"_s));
        const QUuid id = m_f->addAndCheck(www);
        QVERIFY(!id.isNull());
        QVERIFY(m_f->store->watch(id)->settledAt);
        QVERIFY(DnsLab::runCommands(u"stop|ns1;stop|ns2"_s));
        QVERIFY(m_f->checkNow(id));
        QCOMPARE(details(id), u"unknown"_s);
        QVERIFY(m_f->store->watch(id)->settledAt);
    }
};

QTEST_GUILESS_MAIN(TestDnslabSource)
#include "tst_dnslab_source.moc"

// The store and quello-wait against the real dig and real DNS servers: the
// lab (tests/dnslab) runs one dnsmasq per resolver address in a private
// network namespace, and these tests change its world with "$DNSLAB <command>"
// between checks. What a person sees of settling and falling back in the tray
// is the desktop test's; here is what the real dig's output and failures turn
// into, and quello-wait as scripts run it (the built binary, output piped).

#include "dnslab.h"
#include "storefixture.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using namespace Quello;
using namespace Quello::Test;
using namespace Qt::StringLiterals;

class TestDnslabStore : public QObject {
    Q_OBJECT

    std::unique_ptr<StoreFixture> m_f;
    QProcess m_wait;
    QString m_stderr;

    void start(const QStringList& args) {
        m_wait.start(QStringLiteral(QUELLO_WAIT_BINARY),
                     QStringList{u"--interval"_s, u"1s"_s} + args);
        QVERIFY(m_wait.waitForStarted());
    }
    int finish(int withinMs) {
        if (!m_wait.waitForFinished(withinMs) || m_wait.exitStatus() != QProcess::NormalExit)
            return -1;
        m_stderr = QString::fromUtf8(m_wait.readAllStandardError());
        return m_wait.exitCode();
    }

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DNSLAB"))
            QSKIP("needs the DNS lab: run through tests/dnslab/dnslab run -- ctest -L dns");
        if (!QFileInfo(QStringLiteral("/usr/bin/dig")).isExecutable())
            QSKIP("needs /usr/bin/dig (package bind9-dnsutils)");
    }
    void init() {
        QVERIFY(DnsLab::runCommands(u"reset"_s));
        m_f = std::make_unique<StoreFixture>();
        m_f->digProgram = QStringLiteral("/usr/bin/dig");
    }
    // The lab as it was found, for the tests that run after this one.
    void cleanup() {
        m_f.reset();
        m_wait.kill(), m_wait.waitForFinished();
        QVERIFY(DnsLab::runCommands(u"reset"_s));
    }

    void valuesAsTheRealOutputConverts_data() {
        QTest::addColumn<QString>("setup"); // a lab command; empty: none
        QTest::addColumn<RecordType>("type");
        QTest::addColumn<QStringList>("values"); // none: a problem everywhere, never settled

        // dnsmasq hands out several records in a rotating order; the runner sorts.
        QTest::newRow("three A records sorted")
            << u"set-a|all|kinds.lab.test|192.0.2.3|192.0.2.1|192.0.2.2"_s << RecordType::A
            << QStringList{QStringLiteral("192.0.2.1"), QStringLiteral("192.0.2.2"),
                           QStringLiteral("192.0.2.3")};
        QTest::newRow("TXT with two strings keeps the inner quotes")
            << u"set-txt|all|kinds.lab.test|v=spf1 -all|second string"_s << RecordType::TXT
            << QStringList{QStringLiteral("v=spf1 -all\" \"second string")};
        // Answers without records are empty, not failed.
        QTest::newRow("NXDOMAIN") << QString() << RecordType::A << QStringList();
        QTest::newRow("SERVFAIL") << u"fail|all|kinds.lab.test|servfail"_s << RecordType::A
                                  << QStringList();
    }

    void valuesAsTheRealOutputConverts() {
        QFETCH(QString, setup);
        QFETCH(RecordType, type);
        QFETCH(QStringList, values);
        if (!setup.isEmpty())
            QVERIFY(DnsLab::runCommands(setup));

        const QUuid id = m_f->addAndCheck(QStringLiteral("kinds.lab.test"), type);
        QVERIFY(!id.isNull());
        const Watch watch = *m_f->store->watch(id);
        for (const Resolver& resolver : Resolver::all()) {
            const ResolverResult result = m_f->store->results().value(id).value(resolver.id);
            QCOMPARE(result.values, values);
            QVERIFY(!result.failed);
            QCOMPARE(m_f->store->status(watch, resolver),
                     values.isEmpty() ? ResolverStatus::Problem : ResolverStatus::Ok);
        }
        QCOMPARE(watch.settledAt.has_value(), !values.isEmpty());
        QCOMPARE(m_f->notifier.notifications.size(), values.isEmpty() ? 0 : 1);
        if (!values.isEmpty())
            QCOMPARE(m_f->notifier.notifications.first().body,
                     QStringLiteral("All resolvers now return ") + values.join(u", "));
    }

    // The text as a DNS provider shows it matches what the real dig prints.
    void expectedTxtTextMatchesTheRealOutput_data() {
        QTest::addColumn<QStringList>("strings"); // of the one TXT record
        QTest::addColumn<QString>("expected");

        const QString key = u"MIIBIjANBgkqhkiG9w0BAQEFAAOCAQ8AMIIBCgKCAQEA"_s.repeated(7);
        const QString head = u"v=DKIM1; k=rsa; p="_s + key.left(255 - 18);
        QTest::newRow("DKIM key in two strings")
            << QStringList{head, key.mid(255 - 18)} << u"v=DKIM1; k=rsa; p="_s + key;
        QTest::newRow("escapes") << QStringList{u"say \"hi\" \\o/"_s} << u"say \"hi\" \\o/"_s;
        QTest::newRow("UTF-8") << QStringList{u"caf\u00e9 \u2019"_s, u"\u540d"_s}
                               << u"caf\u00e9 \u2019\u540d"_s;
    }

    void expectedTxtTextMatchesTheRealOutput() {
        QFETCH(QStringList, strings);
        QFETCH(QString, expected);
        QVERIFY(DnsLab::run(QStringList{u"set-txt"_s, u"all"_s, u"text.lab.test"_s} + strings));

        const QUuid id = m_f->addAndCheck(u"text.lab.test"_s, RecordType::TXT, expected);
        QVERIFY(!id.isNull());
        QVERIFY(m_f->store->watch(id)->settledAt);
        QCOMPARE(m_f->notifier.notifications.size(), 1);

        start({u"--timeout"_s, u"5s"_s, u"text.lab.test"_s, u"TXT"_s, expected});
        QCOMPARE(finish(20000), 0);
    }

    // dig converts no name when its output is not a terminal: the ACE form
    // is what reaches it, from the panel's suggestion and from quello-wait.
    void unicodeNameAskedForInItsAceForm() {
        QVERIFY(DnsLab::runCommands(u"set-a|all|xn--bcher-kva.example.test|192.0.2.1"_s));
        const QUuid id =
            m_f->addAndCheck(u"xn--bcher-kva.example.test"_s, RecordType::A, u"192.0.2.1"_s);
        QVERIFY(!id.isNull() && m_f->store->watch(id)->settledAt);

        start({u"--timeout"_s, u"5s"_s, u"b\u00fccher.example.test"_s, u"A"_s, u"192.0.2.1"_s});
        QCOMPARE(finish(20000), 0);
        QVERIFY2(m_stderr.contains(u"asking for xn--bcher-kva.example.test"_s),
                 qPrintable(m_stderr));
    }

    // The real dig's failures: no server reached at all (offline, or the
    // network not back after a wake-up) leaves a settled watch settled and
    // posts nothing when the servers return; one server silent unsettles it.
    void settledWatchThroughFailures_data() {
        QTest::addColumn<QStringList>("fault"); // lab commands, and their undoing
        QTest::addColumn<bool>("staysSettled");
        QTest::newRow("every resolver unreachable")
            << QStringList{u"stop|all"_s, u"start|all"_s} << true;
        QTest::newRow("one resolver times out")
            << QStringList{u"freeze|quad9"_s, u"thaw|quad9"_s} << false;
    }

    void settledWatchThroughFailures() {
        QFETCH(QStringList, fault);
        QFETCH(bool, staysSettled);
        QVERIFY(DnsLab::runCommands(u"set-a|all|trip.lab.test|192.0.2.1"_s));
        const QUuid id = m_f->addAndCheck(u"trip.lab.test"_s);
        QVERIFY(!id.isNull() && m_f->store->watch(id)->settledAt);

        QVERIFY(DnsLab::runCommands(fault[0]));
        QVERIFY(m_f->checkNow(id));
        QCOMPARE(m_f->store->watch(id)->settledAt.has_value(), staysSettled);
        QVERIFY(DnsLab::runCommands(fault[1]));
        QVERIFY(m_f->checkNow(id));
        QVERIFY(m_f->store->watch(id)->settledAt);
        QCOMPARE(m_f->notifier.notifications.size(), staysSettled ? 1 : 2);
    }

    void waitSettlesWithinOneIntervalOfTheLastChange() {
        QVERIFY(DnsLab::runCommands(u"set-a|all|moving.lab.test|192.0.2.1"_s));
        start({u"--timeout"_s, u"1m"_s, u"--json"_s, u"moving.lab.test"_s, u"A"_s, u"192.0.2.2"_s});
        QTest::qWait(2500);
        QVERIFY(DnsLab::runCommands(u"set-a|system|moving.lab.test|192.0.2.2"_s));
        QVERIFY(DnsLab::runCommands(u"set-a|cloudflare|moving.lab.test|192.0.2.2"_s));
        QTest::qWait(2500);
        QCOMPARE(m_wait.state(), QProcess::Running); // half changed: still waiting
        QVERIFY(DnsLab::runCommands(u"set-a|google|moving.lab.test|192.0.2.2"_s));
        QVERIFY(DnsLab::runCommands(u"set-a|quad9|moving.lab.test|192.0.2.2"_s));
        QElapsedTimer sinceLastChange;
        sinceLastChange.start();
        // One interval, and the last check itself with room for a busy machine.
        QCOMPARE(finish(10000), 0);
        QCOMPARE_LT(sinceLastChange.elapsed(), 2000);

        const QJsonObject state = QJsonDocument::fromJson(m_wait.readAllStandardOutput()).object();
        QCOMPARE(state.value(u"settled"_s), QJsonValue(true));
        QCOMPARE_GE(state.value(u"elapsed"_s).toDouble(), 5.0);
        QCOMPARE(state.value(u"watch"_s).toObject().value(u"expected"_s),
                 QJsonValue(u"192.0.2.2"_s));
        const QJsonArray resolvers = state.value(u"resolvers"_s).toArray();
        QCOMPARE(resolvers.size(), 4);
        for (const QJsonValue& resolver : resolvers) {
            QCOMPARE(resolver[u"values"_s], QJsonValue(QJsonArray{u"192.0.2.2"_s}));
            QCOMPARE(resolver[u"failed"_s], QJsonValue(false));
            QVERIFY(!resolver[u"checkedAt"_s].toString().isEmpty());
        }
        // Piped: one plain line per change, no control sequences.
        QVERIFY(!m_stderr.contains(u'\x1b'));
        QVERIFY(m_stderr.contains(u"Cloudflare: 192.0.2.1 (problem)\n"_s));
        QVERIFY(m_stderr.contains(u"Cloudflare: 192.0.2.2 (ok)\n"_s));
        QCOMPARE(m_stderr.count(u"Quad9:"_s), 2);
    }

    void waitForFrozenResolverTimesOutNamingIt() {
        QVERIFY(DnsLab::runCommands(u"set-a|all|frozen.lab.test|192.0.2.1;freeze|quad9"_s));
        QElapsedTimer waited;
        waited.start();
        start({u"--timeout"_s, u"4s"_s, u"frozen.lab.test"_s});
        QCOMPARE(finish(20000), 1);
        QCOMPARE_GE(waited.elapsed(), 4000);
        const QString last = m_stderr.trimmed().split(u'\n').constLast();
        QVERIFY2(last.contains(u"did not settle within 4s; still lagging: Quad9: timed out"_s),
                 qPrintable(last));
        QVERIFY(!last.contains(u"Google"_s));
    }
};

QTEST_GUILESS_MAIN(TestDnslabStore)
#include "tst_dnslab_store.moc"

// quello-wait as scripts run it: the installed kind of binary, the real dig,
// the lab's resolvers, standard output and error piped.

#include "dnslab.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace Quello::Test;
using namespace Qt::StringLiterals;

class TestDnslabWait : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (DnsLab::program().isEmpty())
            QSKIP("needs the DNS lab: run through tests/dnslab/dnslab run -- ctest -L dns");
    }
    void init() { QVERIFY(DnsLab::run("reset")); }
    void cleanup() { m_wait.kill(), m_wait.waitForFinished(); }

    void settlesWithinOneIntervalOfTheLastChange();
    void frozenResolverTimesOutNamingIt();

private:
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

    QProcess m_wait;
    QString m_stderr;
};

void TestDnslabWait::settlesWithinOneIntervalOfTheLastChange() {
    QVERIFY(DnsLab::run("set-a|all|moving.lab.test|192.0.2.1"));
    start({u"--timeout"_s, u"1m"_s, u"--json"_s, u"moving.lab.test"_s, u"A"_s, u"192.0.2.2"_s});
    QTest::qWait(2500);
    QVERIFY(DnsLab::run("set-a|system|moving.lab.test|192.0.2.2"));
    QVERIFY(DnsLab::run("set-a|cloudflare|moving.lab.test|192.0.2.2"));
    QTest::qWait(2500);
    QCOMPARE(m_wait.state(), QProcess::Running); // half changed: still waiting
    QVERIFY(DnsLab::run("set-a|google|moving.lab.test|192.0.2.2"));
    QVERIFY(DnsLab::run("set-a|quad9|moving.lab.test|192.0.2.2"));
    QElapsedTimer sinceLastChange;
    sinceLastChange.start();
    // One interval, and the last check itself with room for a busy machine.
    QCOMPARE(finish(10000), 0);
    QCOMPARE_LT(sinceLastChange.elapsed(), 2000);

    const QJsonObject state = QJsonDocument::fromJson(m_wait.readAllStandardOutput()).object();
    QCOMPARE(state.value(u"settled"_s), QJsonValue(true));
    QCOMPARE_GE(state.value(u"elapsed"_s).toDouble(), 5.0);
    QCOMPARE(state.value(u"watch"_s).toObject().value(u"expected"_s), QJsonValue(u"192.0.2.2"_s));
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

void TestDnslabWait::frozenResolverTimesOutNamingIt() {
    QVERIFY(DnsLab::run("set-a|all|frozen.lab.test|192.0.2.1"));
    QVERIFY(DnsLab::run("freeze|quad9"));
    QElapsedTimer waited;
    waited.start();
    start({u"--timeout"_s, u"4s"_s, u"frozen.lab.test"_s});
    QCOMPARE(finish(20000), 1);
    QCOMPARE_GE(waited.elapsed(), 4000);
    const QString last = m_stderr.trimmed().split(u'\n').constLast();
    QVERIFY2(last.contains(u"did not settle within 4s; still lagging: Quad9: query failed"_s),
             qPrintable(last));
    QVERIFY(!last.contains(u"Google"_s));
}

QTEST_GUILESS_MAIN(TestDnslabWait)
#include "tst_dnslab_wait.moc"

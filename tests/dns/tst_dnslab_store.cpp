// The store against the real dig and real DNS servers: the lab (tests/dnslab)
// runs one dnsmasq per resolver address in a private network namespace, and
// these tests change its world with "$DNSLAB <command>" between checks. What
// a person sees of settling and falling back is the desktop test's; here is
// what the real dig's output and failures turn into.

#include "dnslab.h"
#include "storefixture.h"

#include <QFileInfo>

using namespace Quello;
using namespace Quello::Test;

using DnsLab::command;

class TestDnslabStore : public QObject {
    Q_OBJECT

    std::unique_ptr<StoreFixture> m_f;

    [[nodiscard]] static bool lab(const QStringList& args) { return DnsLab::run(args); }
    ResolverResult result(const QUuid& id, const QString& resolver) const {
        return m_f->store->results().value(id).value(resolver);
    }

private Q_SLOTS:
    void initTestCase() {
        if (DnsLab::program().isEmpty())
            QSKIP("needs the DNS lab: run through tests/dnslab/dnslab run -- ctest "
                  "-L dns");
        if (!QFileInfo(QStringLiteral("/usr/bin/dig")).isExecutable())
            QSKIP("needs /usr/bin/dig (package bind9-dnsutils)");
    }
    void init() {
        QVERIFY(lab({QStringLiteral("reset")}));
        m_f = std::make_unique<StoreFixture>();
        m_f->digProgram = QStringLiteral("/usr/bin/dig");
    }
    void cleanup() { m_f.reset(); }

    void valuesAsTheRealOutputConverts_data();
    void valuesAsTheRealOutputConverts();
};

void TestDnslabStore::valuesAsTheRealOutputConverts_data() {
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<RecordType>("type");
    QTest::addColumn<QStringList>("values"); // none: a problem everywhere, never settled

    // dnsmasq hands out several records in a rotating order; the runner sorts.
    QTest::newRow("three A records sorted")
        << command("set-a|all|kinds.lab.test|192.0.2.3|192.0.2.1|192.0.2.2") << RecordType::A
        << QStringList{QStringLiteral("192.0.2.1"), QStringLiteral("192.0.2.2"),
                       QStringLiteral("192.0.2.3")};
    QTest::newRow("MX") << command("set-mx|all|kinds.lab.test|10|Mail.Example.Test.")
                        << RecordType::MX << QStringList{QStringLiteral("10 Mail.Example.Test")};
    QTest::newRow("TXT with two strings keeps the inner quotes")
        << command("set-txt|all|kinds.lab.test|v=spf1 -all|second string") << RecordType::TXT
        << QStringList{QStringLiteral("v=spf1 -all\" \"second string")};
    // Answers without records are empty, not failed.
    QTest::newRow("NXDOMAIN") << QStringList() << RecordType::A << QStringList();
    QTest::newRow("SERVFAIL") << command("fail|all|kinds.lab.test|servfail") << RecordType::A
                              << QStringList();
}

void TestDnslabStore::valuesAsTheRealOutputConverts() {
    QFETCH(QStringList, setup);
    QFETCH(RecordType, type);
    QFETCH(QStringList, values);
    if (!setup.isEmpty())
        QVERIFY(lab(setup));

    const QUuid id = m_f->addAndCheck(QStringLiteral("kinds.lab.test"), type);
    QVERIFY(!id.isNull());
    const Watch watch = *m_f->store->watch(id);
    for (const Resolver& resolver : Resolver::all()) {
        QCOMPARE(result(id, resolver.id), (ResolverResult{values, false, m_f->clock.now()}));
        QCOMPARE(m_f->store->status(watch, resolver),
                 values.isEmpty() ? ResolverStatus::Problem : ResolverStatus::Ok);
    }
    QCOMPARE(watch.settledAt.has_value(), !values.isEmpty());
    QCOMPARE(m_f->notifier.notifications.size(), values.isEmpty() ? 0 : 1);
    if (!values.isEmpty())
        QCOMPARE(m_f->notifier.notifications.first().body,
                 QStringLiteral("All resolvers now return ") + values.join(u", "));
}

QTEST_GUILESS_MAIN(TestDnslabStore)
#include "tst_dnslab_store.moc"

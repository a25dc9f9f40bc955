#include "query/openfilelimit.h"

#include <QTest>

#include <sys/resource.h>

using namespace Quello;

class TestOpenFileLimit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void softLimitRaisedToHardLimit();
};

void TestOpenFileLimit::softLimitRaisedToHardLimit() {
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

QTEST_GUILESS_MAIN(TestOpenFileLimit)
#include "tst_openfilelimit.moc"

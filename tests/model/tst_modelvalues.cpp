#include "model/instant.h"

#include <QTest>

using namespace Quello;

class TestModelValues : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void instants_data();
    void instants();
};

void TestModelValues::instants_data() {
    QTest::addColumn<QDateTime>("dateTime");
    QTest::addColumn<double>("instant");
    const auto utc = [](int y, int mo, int d, int h, int mi, int s, int ms) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
    };
    QTest::newRow("unix epoch") << utc(1970, 1, 1, 0, 0, 0, 0) << -978307200.0;
    // 1.001 * 1000 falls just short of 1001 in binary.
    QTest::newRow("millisecond below its double") << utc(2001, 1, 1, 0, 0, 1, 1) << 1.001;
    QTest::newRow("negative millisecond") << utc(2000, 12, 31, 23, 59, 58, 999) << -1.001;
}

void TestModelValues::instants() {
    QFETCH(QDateTime, dateTime);
    QFETCH(double, instant);
    QCOMPARE(instantFromDateTime(dateTime), instant);
    QCOMPARE(dateTimeFromInstant(instant), dateTime);
    QCOMPARE(dateTimeFromInstant(instant).timeSpec(), Qt::UTC);
}

QTEST_GUILESS_MAIN(TestModelValues)
#include "tst_modelvalues.moc"

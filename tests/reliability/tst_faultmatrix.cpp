#include <QProcess>
#include <QTest>

// Each bad input or failing service, in a process of its own: no crash, no
// hang, no lost watch, and the outcome the application is meant to show.
// How late the event loop ran is printed, not judged.
class TestFaultMatrix : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scenario_data();
    void scenario();
};

void TestFaultMatrix::scenario_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("outcome");

    QTest::newRow("dig missing") << "dig-missing"
                                 << "LaunchFailed; all 12 results failed";
    QTest::newRow("dig hangs") << "dig-hangs"
                               << "the child was killed and reaped";
    QTest::newRow("dig prints megabytes") << "dig-prints-50mb"
                                          << "OutputTooLarge";
    QTest::newRow("dig prints invalid UTF-8") << "dig-invalid-utf8"
                                              << "stays pending";
    QTest::newRow("dig killed by a signal") << "dig-killed-by-signal"
                                            << "query Crashed";
    QTest::newRow("no session bus") << "no-session-bus"
                                    << "10 notifications";
    QTest::newRow("notification server never replies") << "silent-notification-server"
                                                       << "destroyed while waiting";
    QTest::newRow("read-only config directory") << "read-only-config"
                                                << "kept its 3 watches";
    QTest::newRow("option-like domains") << "option-like-domains"
                                         << "never reached dig";
    QTest::newRow("10 000 saved watches") << "ten-thousand-watches"
                                          << "list intact";
    QTest::newRow("deeply nested JSON") << "deep-json"
                                        << "unreadable, no crash";
    QTest::newRow("huge expected value") << "hundred-mb-value"
                                         << "kept whole";
    QTest::newRow("empty settings lock left by a killed writer") << "stale-settings-lock"
                                                                 << "saved in";
}

void TestFaultMatrix::scenario() {
    QFETCH(QString, name);
    QFETCH(QString, outcome);

    QProcess driver;
    driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    driver.start(QStringLiteral(FAULTDRIVER_PATH), {name, QStringLiteral("--quick")});
    if (!driver.waitForFinished(90000)) {
        driver.kill();
        driver.waitForFinished();
        QFAIL("the scenario hung");
    }
    const QString line = QString::fromUtf8(driver.readAllStandardOutput()).trimmed();
    qInfo("%s", qPrintable(line));
    QCOMPARE(driver.exitStatus(), QProcess::NormalExit);
    if (driver.exitCode() == 77)
        QSKIP(qPrintable(line));
    QVERIFY2(driver.exitCode() == 0 && line.contains(outcome), qPrintable(line));
}

QTEST_GUILESS_MAIN(TestFaultMatrix)
#include "tst_faultmatrix.moc"

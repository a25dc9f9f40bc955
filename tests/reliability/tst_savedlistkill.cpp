#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

// A kill -9 at any moment leaves a saved list that reads back whole: the one
// before the last change or the one after it.
class TestSavedListKill : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killAtRandomMoments_data();
    void killAtRandomMoments();
};

void TestSavedListKill::killAtRandomMoments_data() {
    QTest::addColumn<int>("kills");
    QTest::addColumn<bool>("afterFirstSave"); // else counted from the start
    QTest::addColumn<int>("latestMs");

    QTest::newRow("while starting and loading") << 8 << false << 120;
    QTest::newRow("while adding and removing") << 12 << true << 300;
}

void TestSavedListKill::killAtRandomMoments() {
    QFETCH(int, kills);
    QFETCH(bool, afterFirstSave);
    QFETCH(int, latestMs);

    QTemporaryDir dir;
    QTemporaryDir digDir;
    const QString settings = dir.filePath(QStringLiteral("Quello/Quello.conf"));
    const QString log = dir.filePath(QStringLiteral("steps.log"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FAKEDIG_DIR"), digDir.path());
    const auto loggedSteps = [&log] {
        QFile file(log);
        return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
    };
    // Runs the driver to its end; its exit status and what it printed.
    const auto execute = [&environment](const QStringList& args) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(SAVEDLISTDRIVER_PATH), args);
        const bool done =
            process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit;
        return std::pair{done ? process.exitCode() : -1, process.readAllStandardOutput().trimmed()};
    };
    QCOMPARE(execute({QStringLiteral("seed"), settings, log}).first, 0);

    int runsThatSaved = 0;
    qint64 step = 0;
    for (int i = 0; i < kills; ++i) {
        QProcess run;
        run.setProcessEnvironment(environment);
        run.setStandardOutputFile(QProcess::nullDevice());
        run.start(QStringLiteral(SAVEDLISTDRIVER_PATH),
                  {QStringLiteral("run"), settings, log, QStringLiteral(FAKEDIG_PATH)});
        QVERIFY2(run.waitForStarted(), qPrintable(run.errorString()));
        if (afterFirstSave) {
            const qsizetype logged = loggedSteps();
            QVERIFY2(QTest::qWaitFor([&] { return loggedSteps() > logged; }, 60000),
                     "the driver saved nothing for a minute");
        }
        QTest::qSleep(static_cast<int>(QRandomGenerator::global()->bounded(latestMs + 1)));
        // A driver that stopped by itself has failed its own load check.
        QCOMPARE(run.state(), QProcess::Running);
        run.kill(); // SIGKILL to this child, by its id
        QVERIFY(run.waitForFinished());

        const auto [status, verdict] = execute({QStringLiteral("check"), settings, log});
        QVERIFY2(status == 0, verdict.constData());
        const qint64 reached = verdict.mid(qstrlen("ok at step ")).split(',').first().toLongLong();
        runsThatSaved += reached > step ? 1 : 0;
        step = reached;
    }
    if (afterFirstSave)
        QCOMPARE(runsThatSaved, kills);
}

QTEST_GUILESS_MAIN(TestSavedListKill)
#include "tst_savedlistkill.moc"

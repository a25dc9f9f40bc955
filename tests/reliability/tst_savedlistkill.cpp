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

namespace {

struct Driver {
    QString settings;
    QString log;
    QProcessEnvironment environment;

    qsizetype loggedSteps() const {
        QFile file(log);
        return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
    }

    int execute(const QStringList& args, QByteArray* output = nullptr) const {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(SAVEDLISTDRIVER_PATH), args);
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        if (output)
            *output = process.readAllStandardOutput().trimmed();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
};

} // namespace

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
    QVERIFY(dir.isValid());
    QTemporaryDir digDir;
    Driver driver{dir.filePath(QStringLiteral("Quello/Quello.conf")),
                  dir.filePath(QStringLiteral("steps.log")),
                  QProcessEnvironment::systemEnvironment()};
    driver.environment.insert(QStringLiteral("FAKEDIG_DIR"), digDir.path());
    QCOMPARE(driver.execute({QStringLiteral("seed"), driver.settings, driver.log}), 0);

    int runsThatSaved = 0;
    qint64 step = 0;
    for (int i = 0; i < kills; ++i) {
        QProcess run;
        run.setProcessEnvironment(driver.environment);
        run.setStandardOutputFile(QProcess::nullDevice());
        run.start(QStringLiteral(SAVEDLISTDRIVER_PATH), {QStringLiteral("run"), driver.settings,
                                                         driver.log, QStringLiteral(FAKEDIG_PATH)});
        QVERIFY2(run.waitForStarted(), qPrintable(run.errorString()));
        if (afterFirstSave) {
            const qsizetype logged = driver.loggedSteps();
            QVERIFY2(QTest::qWaitFor([&] { return driver.loggedSteps() > logged; }, 60000),
                     "the driver saved nothing for a minute");
        }
        QTest::qSleep(static_cast<int>(QRandomGenerator::global()->bounded(latestMs + 1)));
        // A driver that stopped by itself has failed its own load check.
        QCOMPARE(run.state(), QProcess::Running);
        run.kill(); // SIGKILL to this child, by its id
        QVERIFY(run.waitForFinished());

        QByteArray verdict;
        const int status =
            driver.execute({QStringLiteral("check"), driver.settings, driver.log}, &verdict);
        QVERIFY2(status == 0, verdict.constData());
        const qint64 reached = verdict.mid(qstrlen("ok at step ")).split(',').first().toLongLong();
        if (reached > step)
            ++runsThatSaved;
        step = reached;
    }
    if (afterFirstSave)
        QCOMPARE(runsThatSaved, kills);
}

QTEST_GUILESS_MAIN(TestSavedListKill)
#include "tst_savedlistkill.moc"

#include "menubar/singleinstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Quello;
using Role = SingleInstance::Role;

Q_DECLARE_METATYPE(Quello::SingleInstance::Role)

namespace {

qint64 deadPid() {
    QProcess process;
    process.start(QStringLiteral("true"), {});
    if (!process.waitForStarted())
        return 0;
    const qint64 pid = process.processId();
    process.waitForFinished();
    return pid;
}

void writeLock(const QString& path, qint64 pid, const QString& program) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::number(pid) + '\n' + program.toUtf8() + '\n'
               + QSysInfo::machineHostName().toUtf8() + '\n');
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What a crash leaves behind must not keep Quello from starting, while a
    // lock whose owner still runs must.
    void leftoverLock_data() {
        QTest::addColumn<QString>("owner");
        QTest::addColumn<bool>("staleSocket");
        QTest::addColumn<Role>("expected");
        QTest::newRow("owner died, socket left") << QStringLiteral("dead") << true << Role::Primary;
        QTest::newRow("pid now another program")
            << QStringLiteral("other") << true << Role::Primary;
        QTest::newRow("left empty by a crash") << QStringLiteral("empty") << false << Role::Primary;
        QTest::newRow("owner alive, not answering")
            << QStringLiteral("alive") << true << Role::Unreachable;
    }

    void leftoverLock() {
        QFETCH(QString, owner);
        QFETCH(bool, staleSocket);
        QFETCH(Role, expected);

        QTemporaryDir dir;
        SingleInstance instance(dir.path());
        if (owner == QLatin1String("dead"))
            writeLock(instance.lockPath(), deadPid(), QStringLiteral("quello"));
        else if (owner == QLatin1String("other"))
            writeLock(instance.lockPath(), QCoreApplication::applicationPid(),
                      QStringLiteral("quello"));
        else if (owner == QLatin1String("empty"))
            QVERIFY(QFile(instance.lockPath()).open(QIODevice::WriteOnly));
        // A live owner: this very process holds the lock through another file.
        QLockFile live(instance.lockPath());
        if (owner == QLatin1String("alive"))
            QVERIFY(live.tryLock(0));
        if (staleSocket) {
            QFile socket(instance.socketPath());
            QVERIFY(socket.open(QIODevice::WriteOnly));
        }

        QCOMPARE(instance.claim(), expected);
        if (expected != Role::Primary)
            return;
        // The new owner answers the next start.
        instance.listen();
        QSignalSpy shown(&instance, &SingleInstance::showRequested);
        SingleInstance next(dir.path());
        QCOMPARE(next.claim(), Role::HandedOver);
        QTRY_COMPARE(shown.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"

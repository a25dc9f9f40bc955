#include "store/inisettingsstore.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Quello;

class TestIniSettingsStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
};

void TestIniSettingsStore::roundTrip_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("JSON with quotes and non-ASCII")
        << "QuelloWatches"
        << QByteArray("[{\"domain\":\"a.test\",\"expected\":\"\\\"v=x\\\" \xc3\xa9\"}]");
    QTest::newRow("damaged bytes") << "QuelloWatches.unreadable" << QByteArray("[\0\xff\n=;#\\", 9);
    QTest::newRow("empty value") << "QuelloWatches" << QByteArray("");
}

void TestIniSettingsStore::roundTrip() {
    QFETCH(QString, key);
    QFETCH(QByteArray, bytes);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Quello.conf"));
    IniSettingsStore store(file);
    QCOMPARE(store.value(key), std::nullopt);
    store.setValue(QStringLiteral("other"), "unchanged");
    store.setValue(key, bytes);

    // On disk as soon as setValue returns.
    QCOMPARE(QSettings(file, QSettings::IniFormat).value(key).toByteArray(), bytes);
    QCOMPARE(IniSettingsStore(file).value(key), std::optional(bytes));
    QCOMPARE(IniSettingsStore(file).value(QStringLiteral("other")),
             std::optional(QByteArray("unchanged")));
}

QTEST_GUILESS_MAIN(TestIniSettingsStore)
#include "tst_inisettingsstore.moc"

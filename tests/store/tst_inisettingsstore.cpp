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
    void missingKey();
};

void TestIniSettingsStore::roundTrip_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty list") << "QuelloWatches" << QByteArray("[]");
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
    store.setValue(QStringLiteral("other"), "unchanged");
    store.setValue(key, bytes);
    QCOMPARE(store.value(key), std::optional(bytes));

    // On disk as soon as setValue returns: another reader sees it.
    QSettings reader(file, QSettings::IniFormat);
    QCOMPARE(reader.value(key).toByteArray(), bytes);
    QCOMPARE(IniSettingsStore(file).value(key), std::optional(bytes));
    QCOMPARE(IniSettingsStore(file).value(QStringLiteral("other")),
             std::optional(QByteArray("unchanged")));
}

void TestIniSettingsStore::missingKey() {
    QTemporaryDir dir;
    IniSettingsStore store(dir.filePath(QStringLiteral("Quello.conf")));
    QCOMPARE(store.value(QStringLiteral("QuelloWatches")), std::nullopt);
}

QTEST_GUILESS_MAIN(TestIniSettingsStore)
#include "tst_inisettingsstore.moc"

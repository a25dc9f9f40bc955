#include "menubar/menubarlabel.h"
#include "panel/panelview.h"

#include <QTest>

using namespace Quello;

class TestShellTexts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void label_data() {
        QTest::addColumn<int>("pending");
        QTest::addColumn<bool>("pendingIcon");
        QTest::addColumn<QString>("spoken");
        QTest::addColumn<QString>("toolTip");
        const QString calm = QStringLiteral("Quello");
        const QString spoken = QStringLiteral("Quello, watching DNS propagation");
        const QString tip = QStringLiteral("Quello (watching DNS)");
        QTest::newRow("none") << 0 << false << calm << calm;
        QTest::newRow("one") << 1 << true << spoken << tip;
        QTest::newRow("many") << 12 << true << spoken << tip;
    }

    void label() {
        QFETCH(int, pending);
        QFETCH(bool, pendingIcon);
        QFETCH(QString, spoken);
        QFETCH(QString, toolTip);
        const MenuBarLabel label = MenuBarLabel::forPendingCount(pending);
        QCOMPARE(label.icon == MenuBarLabel::Icon::Pending, pendingIcon);
        QCOMPARE(label.accessibilityLabel, spoken);
        QCOMPARE(label.toolTip, toolTip);
    }

    void subtitle_data() {
        QTest::addColumn<int>("watches");
        QTest::addColumn<int>("pending");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << 0 << 0 << QStringLiteral("No watches yet");
        QTest::newRow("one settled") << 1 << 0 << QStringLiteral("1 record settled");
        QTest::newRow("three settled") << 3 << 0 << QStringLiteral("3 records settled");
        QTest::newRow("one pending") << 1 << 1 << QStringLiteral("1 propagating");
        QTest::newRow("all pending") << 3 << 3 << QStringLiteral("3 propagating");
        QTest::newRow("mixed") << 3 << 1 << QStringLiteral("1 propagating \u00B7 2 settled");
        QTest::newRow("one and one") << 2 << 1 << QStringLiteral("1 propagating \u00B7 1 settled");
        QTest::newRow("double digits")
            << 12 << 10 << QStringLiteral("10 propagating \u00B7 2 settled");
    }

    void subtitle() {
        QFETCH(int, watches);
        QFETCH(int, pending);
        QFETCH(QString, expected);
        QCOMPARE(PanelView::subtitle(watches, pending), expected);
    }
};

QTEST_MAIN(TestShellTexts)
#include "tst_shelltexts.moc"

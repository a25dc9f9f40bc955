#include "menubar/menubaricon.h"
#include "menubar/menubaritem.h"
#include "shellstore.h"

#include <QApplication>
#include <QTest>

using namespace Quello;
using Quello::Test::ShellStore;

namespace {

const QString calmTip = QStringLiteral("Quello");
const QString busyTip = QStringLiteral("Quello (watching DNS)");

bool showsPending(const MenuBarItem& item) {
    return item.label().icon == MenuBarLabel::Icon::Pending;
}

} // namespace

class TestMenuBarItem : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The item follows the pending count through a watch's life: added
    // (pending before its first answer), settled, unsettled, removed.
    void followsThePendingCount() {
        ShellStore fixture;
        MenuBarItem item(*fixture.store);
        QCOMPARE(item.label().toolTip, calmTip);
        QVERIFY(!showsPending(item));

        fixture.store->add(QStringLiteral("example.com"), RecordType::A, std::nullopt);
        QCOMPARE(item.label().toolTip, busyTip);
        QVERIFY(showsPending(item));
        // No resolver answers this first check: still pending after it.
        QTRY_VERIFY(fixture.store->isChecking().isEmpty());
        QCOMPARE(item.label().toolTip, busyTip);

        const QUuid id = fixture.store->watches().constFirst().id;
        fixture.answerAll("192.0.2.1\n");
        fixture.store->check(id);
        QTRY_COMPARE(item.label().toolTip, calmTip);
        QVERIFY(!showsPending(item));

        fixture.dig.setAnswer({.output = "192.0.2.9\n"}, QStringLiteral("1.1.1.1"));
        fixture.store->check(id);
        QTRY_COMPARE(item.label().toolTip, busyTip);
        QVERIFY(showsPending(item));

        fixture.store->remove(id);
        QCOMPARE(item.label().toolTip, calmTip);
        QVERIFY(!showsPending(item));
    }

    // A dark desktop gets a light icon, at once.
    void redrawsOnPaletteChange() {
        ShellStore fixture;
        MenuBarItem item(*fixture.store);
        const QPalette original = QApplication::palette();
        QPalette dark = original;
        dark.setColor(QPalette::WindowText, QColor(250, 250, 250));
        QApplication::setPalette(dark);
        const QImage shown = item.icon().pixmap(QSize(18, 18), 1.0).toImage();
        QApplication::setPalette(original);
        QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 MenuBarIcon::image(false, QColor(250, 250, 250), 1.0));
    }
};

QTEST_MAIN(TestMenuBarItem)
#include "tst_menubaritem.moc"

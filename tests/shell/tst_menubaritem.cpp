#include "menubar/menubaricon.h"
#include "menubar/menubaritem.h"
#include "storefixture.h"

#include <QApplication>
#include <QTest>

using namespace Quello;
using Quello::Test::StoreFixture;

class TestMenuBarItem : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The item follows the pending count through a watch's life: added
    // (pending before its first answer), settled, unsettled, removed.
    void followsThePendingCount() {
        StoreFixture fixture;
        DigStore& store = fixture.startEmpty();
        MenuBarItem item(store);
        const auto shows = [&item](bool pending) {
            return item.label().toolTip
                       == (pending ? QStringLiteral("Quello (watching DNS)")
                                   : QStringLiteral("Quello"))
                   && (item.label().icon == MenuBarLabel::Icon::Pending) == pending;
        };
        QVERIFY(shows(false));

        store.add(QStringLiteral("example.com"), RecordType::A, std::nullopt);
        QVERIFY(shows(true));
        // No resolver answers this first check: still pending after it.
        QTRY_VERIFY(store.isChecking().isEmpty());
        QVERIFY(shows(true));

        const QUuid id = store.watches().constFirst().id;
        fixture.answerAll(QStringLiteral("192.0.2.1\n"));
        store.check(id);
        QTRY_VERIFY(shows(false));

        fixture.dig.setAnswer({.output = "192.0.2.9\n"}, QStringLiteral("1.1.1.1"));
        store.check(id);
        QTRY_VERIFY(shows(true));

        store.remove(id);
        QVERIFY(shows(false));
    }

    // A dark desktop gets a light icon, at once.
    void redrawsOnPaletteChange() {
        StoreFixture fixture;
        MenuBarItem item(fixture.startEmpty());
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

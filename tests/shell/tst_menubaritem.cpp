#include "menubar/menubaricon.h"
#include "menubar/menubaritem.h"
#include "menubar/trayforeground.h"
#include "storefixture.h"

#include <QApplication>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

using namespace Quello;
using Quello::Test::StoreFixture;

class TestMenuBarItem : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shapes_data() {
        QTest::addColumn<bool>("pending");
        QTest::addColumn<int>("pixels");
        for (const int pixels : {16, 18, 22, 24, 32, 36, 44, 48}) {
            QTest::addRow("normal %d", pixels) << false << pixels;
            QTest::addRow("pending %d", pixels) << true << pixels;
        }
    }

    // Drawn afresh at every size the tray asks for, as the icon hands it out,
    // not scaled from one size. (Its marker is looked at on the tray's side.)
    void shapes() {
        QFETCH(bool, pending);
        QFETCH(int, pixels);
        const QImage image = MenuBarIcon::icon(pending, Qt::white)
                                 .pixmap(QSize(pixels, pixels))
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(image, MenuBarIcon::render(pending, Qt::white, pixels));
    }

    // The installed drawing, as a tray that does not tint draws it, is the
    // picture the engine paints with a rim: one geometry for both.
    void installedDrawingIsTheEnginesPicture() {
        QFETCH(bool, pending);
        QFETCH(int, pixels);
        QSvgRenderer svg(
            QStringLiteral(ICONS_DIR "/%1.svg")
                .arg(QLatin1String(pending ? MenuBarIcon::pendingName : MenuBarIcon::normalName)));
        QImage drawn(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::transparent);
        QPainter painter(&drawn);
        svg.render(&painter);
        painter.end();
        const QImage painted =
            MenuBarIcon::render(pending, Qt::white, pixels, 1.0, TrayForeground::edgeFor(u"LXQt"));
        // A stroked rim and a filled one differ only in the smoothing of edges.
        int worst = 0;
        int total = 0;
        for (int y = 0; y < pixels; ++y)
            for (int x = 0; x < pixels; ++x) {
                const int off = std::abs(qGray(drawn.pixel(x, y)) - qGray(painted.pixel(x, y)))
                                + std::abs(qAlpha(drawn.pixel(x, y)) - qAlpha(painted.pixel(x, y)));
                worst = std::max(worst, off);
                total += off;
            }
        QVERIFY2(worst <= 96 && total <= 12 * pixels * pixels,
                 qPrintable(QStringLiteral("%1 %2").arg(worst).arg(total / pixels / pixels)));
    }
    void installedDrawingIsTheEnginesPicture_data() { shapes_data(); }

    void foregroundReadableOnTheBar_data() {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QColor>("schemeText");
        QTest::addColumn<QColor>("expected");
        const QColor dark(35, 38, 41), light(252, 252, 252);
        QTest::newRow("ubuntu, light scheme") << "ubuntu:GNOME" << dark << QColor(Qt::white);
        QTest::newRow("GNOME, dark scheme") << "GNOME" << light << light;
        QTest::newRow("pantheon, any case") << "pantheon" << dark << QColor(Qt::white);
        QTest::newRow("GNOME Classic's light bar") << "GNOME-Classic:GNOME" << dark << dark;
        QTest::newRow("KDE follows the scheme") << "KDE" << dark << dark;
        // Bars of any colour: light on a dark rim.
        QTest::newRow("LXQt") << "LXQt" << dark << QColor(Qt::white);
        QTest::newRow("sway") << "sway" << dark << QColor(Qt::white);
        QTest::newRow("unknown") << "" << light << QColor(Qt::white);
    }

    void foregroundReadableOnTheBar() {
        QFETCH(QString, desktop);
        QFETCH(QColor, schemeText);
        QFETCH(QColor, expected);
        QCOMPARE(TrayForeground::forDesktop(desktop, schemeText), expected);
        QCOMPARE(TrayForeground::edgeFor(desktop).alpha() > 0, !TrayForeground::tints(desktop));
    }

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
        qputenv("XDG_CURRENT_DESKTOP", "KDE"); // a tray that follows the scheme
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

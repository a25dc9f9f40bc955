#include "menubar/menubaricon.h"
#include "menubar/trayforeground.h"

#include <QTest>

#include <cmath>

using namespace Quello;

namespace {

// The pending marker's centre on the 18 x 18 canvas, top-left origin, and
// its radius.
constexpr QPointF marker(16.2, 2.0);
constexpr qreal markerRadius = 1.7;

// Every pixel that lies wholly inside the marker's disc is fully painted.
bool markerCovered(const QImage& image, qreal scale) {
    const QPointF c = marker * scale;
    const qreal r = markerRadius * scale;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const qreal dx = std::max(std::abs(x - c.x()), std::abs(x + 1 - c.x()));
            const qreal dy = std::max(std::abs(y - c.y()), std::abs(y + 1 - c.y()));
            if (std::hypot(dx, dy) <= r && qAlpha(image.pixel(x, y)) != 255)
                return false;
        }
    return true;
}

} // namespace

class TestMenuBarIcon : public QObject {
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

    // Drawn afresh at every size the tray asks for, as the icon hands it out:
    // the same geometry at 22 and at 44 pixels, only more pixels.
    void shapes() {
        QFETCH(bool, pending);
        QFETCH(int, pixels);
        const QImage image = MenuBarIcon::icon(pending, Qt::white)
                                 .pixmap(QSize(pixels, pixels))
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(image, MenuBarIcon::render(pending, Qt::white, pixels));
        const qreal scale = pixels / 18.0;
        QCOMPARE(markerCovered(image, scale), pending);
    }

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
    }

    void foregroundReadableOnTheBar() {
        QFETCH(QString, desktop);
        QFETCH(QColor, schemeText);
        QFETCH(QColor, expected);
        QCOMPARE(TrayForeground::forDesktop(desktop, schemeText), expected);
    }
};

QTEST_MAIN(TestMenuBarIcon)
#include "tst_menubaricon.moc"

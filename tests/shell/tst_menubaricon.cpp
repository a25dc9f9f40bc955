#include "menubar/menubaricon.h"

#include <QIcon>
#include <QImage>
#include <QSet>
#include <QTest>

#include <cmath>

using namespace Quello;

namespace {

// The pending marker: centre (16.2, 16) with the origin at the bottom left,
// radius 1.7; the centre dot: (9, 8.4), radius 2.3. Both on an 18 x 18 canvas.
constexpr double markerX = 16.2, markerY = 18.0 - 16.0, markerR = 1.7;
constexpr double dotX = 9.0, dotY = 18.0 - 8.4, dotR = 2.3;

// Device pixels whose whole square lies inside the circle (logical units).
QList<QPoint> pixelsInside(double cx, double cy, double r, qreal dpr) {
    QList<QPoint> inside;
    const int n = qRound(18 * dpr);
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            bool all = true;
            for (const auto& [dx, dy] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}}) {
                const double px = (x + dx) / dpr - cx, py = (y + dy) / dpr - cy;
                all = all && std::hypot(px, py) < r;
            }
            if (all)
                inside.append({x, y});
        }
    }
    return inside;
}

// Separate dots (8-connected groups of clearly covered pixels).
int countBlobs(const QImage& image) {
    QSet<qsizetype> seen;
    int blobs = 0;
    const auto covered = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < image.width() && y < image.height()
               && qAlpha(image.pixel(x, y)) > 80;
    };
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!covered(x, y) || seen.contains(y * image.width() + x))
                continue;
            ++blobs;
            QList<QPoint> stack{{x, y}};
            seen.insert(y * image.width() + x);
            while (!stack.isEmpty()) {
                const QPoint p = stack.takeLast();
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = p.x() + dx, ny = p.y() + dy;
                        if (covered(nx, ny) && !seen.contains(ny * image.width() + nx)) {
                            seen.insert(ny * image.width() + nx);
                            stack.append({nx, ny});
                        }
                    }
                }
            }
        }
    }
    return blobs;
}

} // namespace

class TestMenuBarIcon : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shapes_data() {
        QTest::addColumn<bool>("pending");
        QTest::addColumn<qreal>("dpr");
        QTest::newRow("normal 1x") << false << 1.0;
        QTest::newRow("normal 2x") << false << 2.0;
        QTest::newRow("pending 1x") << true << 1.0;
        QTest::newRow("pending 2x") << true << 2.0;
    }

    void shapes() {
        QFETCH(bool, pending);
        QFETCH(qreal, dpr);
        const QImage image = MenuBarIcon::image(pending, Qt::black, dpr);
        QCOMPARE(image.size(), QSize(18, 18) * dpr);
        QCOMPARE(image.devicePixelRatio(), dpr);

        const QList<QPoint> marker = pixelsInside(markerX, markerY, markerR, dpr);
        QVERIFY(marker.size() >= 4 * dpr * dpr);
        for (const QPoint& p : marker)
            QCOMPARE(qAlpha(image.pixel(p)), pending ? 255 : 0);

        for (const QPoint& p : pixelsInside(dotX, dotY, dotR, dpr))
            QCOMPARE(qAlpha(image.pixel(p)), 255);

        // The corners, far from every shape, stay clear.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(image.width() - 1, image.height() - 1)), 0);
    }

    // The rings are rows of round dots about 2.1 and 2.5 apart: 15 on the
    // inner ring and 19 or 20 on the outer one (where the path closes, the
    // last dot may meet the first), plus the centre dot and the marker.
    void dottedRings_data() {
        QTest::addColumn<bool>("pending");
        QTest::newRow("normal") << false;
        QTest::newRow("pending") << true;
    }

    void dottedRings() {
        QFETCH(bool, pending);
        const int blobs = countBlobs(MenuBarIcon::image(pending, Qt::black, 4.0));
        const int extra = pending ? 1 : 0;
        QVERIFY2(blobs >= 34 + extra && blobs <= 37 + extra, QByteArray::number(blobs).constData());
    }

    void iconHoldsBothScales() {
        const QIcon icon = MenuBarIcon::icon(true, Qt::black);
        QVERIFY(icon.isMask());
        QCOMPARE(icon.availableSizes(), (QList<QSize>{QSize(18, 18), QSize(36, 36)}));
        const QImage sharp = icon.pixmap(QSize(18, 18), 2.0).toImage();
        QCOMPARE(sharp.size(), QSize(36, 36));
        QCOMPARE(sharp.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 MenuBarIcon::image(true, Qt::black, 2.0));
    }
};

QTEST_MAIN(TestMenuBarIcon)
#include "tst_menubaricon.moc"

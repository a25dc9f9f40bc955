#include "menubar/menubaricon.h"

#include <QIcon>
#include <QImage>
#include <QTest>

using namespace Quello;

namespace {

// Centres of the pending marker and the centre dot on the 18 x 18 canvas,
// top-left origin.
constexpr QPointF marker(16.2, 2.0), dot(9.0, 9.6);

int alphaAt(const QImage& image, QPointF logical, qreal dpr) {
    return qAlpha(image.pixel((logical * dpr).toPoint()));
}

} // namespace

class TestMenuBarIcon : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shapes_data() {
        QTest::addColumn<bool>("pending");
        QTest::addColumn<qreal>("dpr");
        QTest::newRow("normal 1x") << false << 1.0;
        QTest::newRow("pending 2x") << true << 2.0;
    }

    void shapes() {
        QFETCH(bool, pending);
        QFETCH(qreal, dpr);
        const QImage image = MenuBarIcon::image(pending, Qt::black, dpr);
        QCOMPARE(image.size(), QSize(18, 18) * dpr);
        QCOMPARE(image.devicePixelRatio(), dpr);

        QCOMPARE(alphaAt(image, marker, dpr), pending ? 255 : 0);
        QCOMPARE(alphaAt(image, dot, dpr), 255);
        // The corners, far from every shape, stay clear.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(image.width() - 1, image.height() - 1)), 0);
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

#include "menubar/popoverplacement.h"

#include <QTest>

using namespace Quello;

class TestPopoverPlacement : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void topLeft_data() {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QSize>("panel");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("expected");

        // A 1280 x 800 screen with a 24-pixel panel at the top.
        const QRect top(0, 24, 1280, 776);
        // The same with the panel at the bottom.
        const QRect bottom(0, 0, 1280, 776);
        const QSize panel(380, 300);

        QTest::newRow("hangs below a top tray, centred")
            << QRect(600, 1, 22, 22) << panel << top << QPoint(611 - 190, 23 + 4);
        QTest::newRow("stands above a bottom tray")
            << QRect(600, 777, 22, 22) << panel << bottom << QPoint(421, 777 - 4 - 300);
        QTest::newRow("pushed left at the right edge")
            << QRect(1257, 1, 22, 22) << panel << top << QPoint(1280 - 380, 27);
        QTest::newRow("a side tray in the lower half")
            << QRect(1256, 700, 22, 22) << panel << QRect(0, 0, 1250, 800)
            << QPoint(870, 700 - 4 - 300);
        QTest::newRow("too tall for the room below: kept on screen")
            << QRect(600, 1, 22, 22) << QSize(380, 790) << top << QPoint(421, 24);
        QTest::newRow("pointer instead of an icon")
            << QRect(640, 600, 1, 1) << panel << top << QPoint(450, 600 - 4 - 300);
    }

    void topLeft() {
        QFETCH(QRect, anchor);
        QFETCH(QSize, panel);
        QFETCH(QRect, available);
        QFETCH(QPoint, expected);
        const QPoint placed = PopoverPlacement::topLeft(anchor, panel, available);
        QCOMPARE(placed, expected);
        QVERIFY(available.contains(QRect(placed, panel)) || panel.height() > available.height());
    }
};

QTEST_MAIN(TestPopoverPlacement)
#include "tst_popoverplacement.moc"

#include "menubar/panelpopover.h"
#include "menubar/popoverplacement.h"
#include "panel/panelview.h"
#include "panel/rows/watchlistview.h"
#include "panel/style/contrast.h"
#include "panel/style/glassbackground.h"
#include "storefixture.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

using namespace Quello;
using Quello::Test::StoreFixture;

class TestPanelFrame : public QObject {
    Q_OBJECT

    std::optional<StoreFixture> m_f;

private Q_SLOTS:
    void init() { m_f.emplace(); }
    void cleanup() { m_f.reset(); }

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
    }

    void topLeft() {
        QFETCH(QRect, anchor);
        QFETCH(QSize, panel);
        QFETCH(QRect, available);
        QFETCH(QPoint, expected);
        QCOMPARE(PopoverPlacement::topLeft(anchor, panel, available), expected);
    }

    // The header counts what propagates and what has settled.
    void summaryFollowsTheStore() {
        DigStore& store = m_f->startEmpty();
        PanelView panel(store);
        const auto summary = [&panel] { return panel.subtitleLabel()->text(); };
        QCOMPARE(summary(), QStringLiteral("No watches yet"));

        // Only the first one's resolvers answer.
        m_f->answer(QStringList(4, QStringLiteral("192.0.2.1\n")), QStringLiteral("a.example"));
        const QUuid settled = m_f->addAndCheck(QStringLiteral("a.example"));
        const QUuid pending = m_f->addAndCheck(QStringLiteral("b.example"));
        QCOMPARE(summary(), QStringLiteral("1 propagating \u00B7 1 settled"));
        QCOMPARE(panel.accessibleName(), QStringLiteral("Quello, watching DNS propagation"));
        store.remove(settled);
        QCOMPARE(summary(), QStringLiteral("1 propagating"));

        m_f->answerAll(QStringLiteral("192.0.2.1\n"));
        QVERIFY(m_f->checkNow(pending));
        QCOMPARE(summary(), QStringLiteral("1 record settled"));
        QCOMPARE(panel.accessibleName(), QStringLiteral("Quello"));
        QVERIFY(!m_f->addAndCheck(QStringLiteral("c.example")).isNull());
        QCOMPARE(summary(), QStringLiteral("2 records settled"));
    }

    // See-through only with rounded corners; an opaque window is filled to
    // its corners, never left black there.
    void glass_data() {
        QTest::addColumn<bool>("translucent");
        QTest::newRow("composited") << true;
        QTest::newRow("not composited") << false;
    }

    void glass() {
        QFETCH(bool, translucent);
        PanelView panel(m_f->startEmpty());
        GlassBackground::prepareWindow(&panel, translucent);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QTRY_VERIFY(panel.listArea()->height() > 1); // measured: the empty state shows
        panel.resize(panel.sizeHint());

        QImage image(panel.size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        panel.render(&image, {}, {}, QWidget::DrawChildren);

        const QColor window = panel.palette().color(QPalette::Window);
        const QColor corner = image.pixelColor(0, 0);
        const QColor middle = image.pixelColor(5, 25); // beside the icon
        if (translucent) {
            QCOMPARE(corner.alpha(), 0);
            QVERIFY(qAbs(middle.alpha() - 235) <= 2); // 92 % opaque
        } else {
            // Opaque, with an edge that stands off the window behind it.
            QCOMPARE(corner.alpha(), 255);
            QVERIFY(Contrast::ratio(corner, window) >= 3.0);
            QCOMPARE(middle.alpha(), 255);
        }
        QCOMPARE(middle.rgb(), window.rgb());
    }

    // When the list area changes height, the window follows, and its edge
    // next to the tray icon stays where it was.
    void followsTheColumnsHeight_data() {
        QTest::addColumn<bool>("trayAtTop");
        QTest::newRow("tray at the top") << true;
        QTest::newRow("tray at the bottom") << false;
    }

    void followsTheColumnsHeight() {
        QFETCH(bool, trayAtTop);
        PanelPopover popover(m_f->startEmpty());
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect icon(screen.center().x(), trayAtTop ? screen.top() : screen.bottom() - 20, 20,
                         20);
        popover.showAnchored(icon);
        QVERIFY(QTest::qWaitForWindowExposed(&popover));
        const QRect before = popover.geometry();
        QVERIFY(trayAtTop ? before.top() > icon.bottom() : before.bottom() < icon.top());

        const auto keepsEdge = [&] {
            return popover.size() == popover.sizeHint()
                   && (trayAtTop ? popover.geometry().top() == before.top()
                                 : popover.geometry().bottom() == before.bottom());
        };
        const QUuid first = m_f->addAndCheck(QStringLiteral("a.example"));
        const QUuid second = m_f->addAndCheck(QStringLiteral("b.example"));
        QTRY_VERIFY(popover.height() != before.height());
        QTRY_VERIFY(keepsEdge());
        const int grown = popover.height();

        m_f->store->remove(first);
        QTRY_VERIFY(popover.height() < grown);
        QTRY_VERIFY(keepsEdge());
        m_f->store->remove(second); // the empty state's own height
        QTRY_VERIFY(keepsEdge());
    }

    // Without a tray the panel is an ordinary window; closing it hides it.
    void standaloneAndPopup() {
        PanelPopover popover(m_f->startEmpty());
        popover.showStandalone();
        QVERIFY(QTest::qWaitForWindowExposed(&popover));
        QCOMPARE(popover.windowFlags() & Qt::WindowType_Mask, Qt::Window);
        QVERIFY(popover.close());

        popover.showAnchored(QRect(10, 0, 20, 20));
        QVERIFY(QTest::qWaitForWindowExposed(&popover));
        QVERIFY(popover.windowFlags().testFlag(Qt::Popup));
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &popover;
        QTest::keyClick(target, Qt::Key_Escape);
        QTRY_VERIFY(!popover.isVisible());
    }
};

QTEST_MAIN(TestPanelFrame)
#include "tst_panelframe.moc"

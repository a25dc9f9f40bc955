#include "menubar/panelpopover.h"
#include "panel/contrast.h"
#include "panel/glassbackground.h"
#include "panel/panelview.h"
#include "panel/watchlistview.h"
#include "shellstore.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Quello;
using Quello::Test::ShellStore;

class TestPanelFrame : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The keys work wherever the focus is inside the panel, without opening
    // the menu.
    void shortcuts_data() {
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<bool>("checks");
        QTest::addColumn<bool>("quits");
        QTest::newRow("Ctrl+R checks all") << QKeyCombination(Qt::CTRL, Qt::Key_R) << true << false;
        QTest::newRow("Ctrl+Q quits") << QKeyCombination(Qt::CTRL, Qt::Key_Q) << false << true;
    }

    void shortcuts() {
        QFETCH(QKeyCombination, key);
        QFETCH(bool, checks);
        QFETCH(bool, quits);

        ShellStore fixture;
        fixture.addChecked(QStringLiteral("example.com"));
        const qsizetype digRuns = fixture.dig.calls().size();

        PanelPopover popover(*fixture.store);
        popover.showAnchored(QRect(500, 0, 20, 20));
        QVERIFY(QTest::qWaitForWindowActive(&popover));
        // The panel hands the keyboard to its input field when it opens.
        QWidget* focus = popover.panel()->inputField();
        QTRY_VERIFY(focus->hasFocus());

        // Quitting needs the application's event loop: press the key in it.
        QTimer::singleShot(0, focus,
                           [&] { QTest::keyClick(focus, key.key(), key.keyboardModifiers()); });
        QTimer giveUp;
        giveUp.setSingleShot(true);
        connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        giveUp.start(500);
        const bool quit = QCoreApplication::exec() == 0;
        giveUp.stop();

        if (checks)
            QTRY_COMPARE(fixture.dig.calls().size(), digRuns + 4);
        QCOMPARE(fixture.dig.calls().size() > digRuns, checks);
        QCOMPARE(quit, quits);
    }

    void subtitle_data() {
        QTest::addColumn<int>("watches");
        QTest::addColumn<int>("pending");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << 0 << 0 << QStringLiteral("No watches yet");
        QTest::newRow("one settled") << 1 << 0 << QStringLiteral("1 record settled");
        QTest::newRow("three settled") << 3 << 0 << QStringLiteral("3 records settled");
        QTest::newRow("all pending") << 3 << 3 << QStringLiteral("3 propagating");
        QTest::newRow("mixed") << 12 << 10 << QStringLiteral("10 propagating \u00B7 2 settled");
    }

    void subtitle() {
        QFETCH(int, watches);
        QFETCH(int, pending);
        QFETCH(QString, expected);
        QCOMPARE(PanelView::subtitle(watches, pending), expected);
    }

    void summaryFollowsTheStore() {
        ShellStore fixture;
        PanelView panel(*fixture.store);
        fixture.store->add(QStringLiteral("example.com"), RecordType::A, std::nullopt);
        QCOMPARE(panel.subtitleLabel()->text(), QStringLiteral("1 propagating"));
        QCOMPARE(panel.accessibleName(), QStringLiteral("Quello, watching DNS propagation"));

        fixture.answerAll("192.0.2.1\n");
        fixture.store->checkAll();
        QTRY_COMPARE(panel.subtitleLabel()->text(), QStringLiteral("1 record settled"));
        QCOMPARE(panel.accessibleName(), QStringLiteral("Quello"));
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
        ShellStore fixture;
        PanelView panel(*fixture.store);
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
        ShellStore fixture;
        PanelPopover popover(*fixture.store);
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
        const QUuid first = fixture.addChecked(QStringLiteral("a.example"));
        const QUuid second = fixture.addChecked(QStringLiteral("b.example"));
        QTRY_VERIFY(popover.height() != before.height());
        QTRY_VERIFY(keepsEdge());
        QCOMPARE(popover.width(), 380);
        const int grown = popover.height();

        fixture.store->remove(first);
        QTRY_VERIFY(popover.height() < grown);
        QTRY_VERIFY(keepsEdge());
        fixture.store->remove(second); // the empty state's own height
        QTRY_VERIFY(keepsEdge());
    }

    // Without a tray the panel is an ordinary window; closing it hides it.
    void standaloneAndPopup() {
        ShellStore fixture;
        PanelPopover popover(*fixture.store);
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

#include "menubar/panelpopover.h"
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
    void actionsMenu() {
        ShellStore fixture;
        PanelView panel(*fixture.store);
        QToolButton* button = panel.actionsButton();
        QCOMPARE(button->accessibleName(), QStringLiteral("More actions"));
        QCOMPARE(button->popupMode(), QToolButton::InstantPopup);
        QCOMPARE(button->menu(), panel.actionsMenu());

        QStringList items;
        for (const QAction* action : panel.actionsMenu()->actions()) {
            items << (action->isSeparator()
                          ? QStringLiteral("---")
                          : action->text() + QLatin1Char(' ') + action->shortcut().toString());
            QVERIFY(action->isEnabled());
        }
        QCOMPARE(items, (QStringList{QStringLiteral("Check All Now Ctrl+R"), QStringLiteral("---"),
                                     QStringLiteral("Quit Quello Ctrl+Q")}));
    }

    // The keys work wherever the focus is inside the panel, without opening
    // the menu.
    void shortcuts_data() {
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<bool>("checks");
        QTest::addColumn<bool>("quits");
        QTest::newRow("Ctrl+R checks all") << QKeyCombination(Qt::CTRL, Qt::Key_R) << true << false;
        QTest::newRow("Ctrl+Q quits") << QKeyCombination(Qt::CTRL, Qt::Key_Q) << false << true;
        QTest::newRow("plain R does nothing") << QKeyCombination(Qt::Key_R) << false << false;
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

        // Quitting only means something while the application's event loop
        // runs: press the key inside it, and end it after a while otherwise.
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

    void summaryFollowsTheStore() {
        ShellStore fixture;
        PanelView panel(*fixture.store);
        const QLabel* subtitle = panel.subtitleLabel();
        QCOMPARE(subtitle->text(), QStringLiteral("No watches yet"));
        QCOMPARE(panel.accessibleName(), QStringLiteral("Quello"));

        fixture.store->add(QStringLiteral("example.com"), RecordType::A, std::nullopt);
        QCOMPARE(subtitle->text(), QStringLiteral("1 propagating"));
        QCOMPARE(panel.accessibleName(), QStringLiteral("Quello, watching DNS propagation"));
        QCOMPARE(panel.accessibleDescription(), QStringLiteral("1 propagating"));

        fixture.answerAll("192.0.2.1\n");
        fixture.store->checkAll();
        QTRY_COMPARE(subtitle->text(), QStringLiteral("1 record settled"));
        QCOMPARE(panel.accessibleName(), QStringLiteral("Quello"));

        fixture.store->remove(fixture.store->watches().constFirst().id);
        QCOMPARE(subtitle->text(), QStringLiteral("No watches yet"));
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
        const QWidget* list = panel.listArea();
        const QColor listGround = image.pixelColor(5, list->y() + list->height() / 2);
        QCOMPARE(listGround, middle);
        if (translucent) {
            QCOMPARE(corner.alpha(), 0);
            QVERIFY2(qAbs(middle.alpha() - qRound(0.92 * 255)) <= 2,
                     QByteArray::number(middle.alpha()).constData());
        } else {
            QCOMPARE(corner, window);
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

        // Rows added and removed change the list's height; the window takes
        // the column's height each time.
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
        fixture.store->remove(second);
        QTRY_VERIFY(popover.height() != grown);
        QTRY_VERIFY(keepsEdge());
    }

    void popupClosesOnEscape() {
        ShellStore fixture;
        PanelPopover popover(*fixture.store);
        popover.showAnchored({});
        QVERIFY(QTest::qWaitForWindowExposed(&popover));
        QVERIFY(popover.windowFlags().testFlag(Qt::Popup));
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &popover;
        QTest::keyClick(target, Qt::Key_Escape);
        QTRY_VERIFY(!popover.isVisible());
    }

    // Without a tray the panel is an ordinary window; closing it hides it.
    void standaloneWindow() {
        ShellStore fixture;
        PanelPopover popover(*fixture.store);
        popover.showStandalone();
        QVERIFY(QTest::qWaitForWindowExposed(&popover));
        QCOMPARE(popover.windowFlags() & Qt::WindowType_Mask, Qt::Window);
        QCOMPARE(popover.windowTitle(), QStringLiteral("Quello"));
        QVERIFY(!popover.testAttribute(Qt::WA_TranslucentBackground));
        QVERIFY(popover.close());
        QVERIFY(!popover.isVisible());

        popover.showAnchored(QRect(10, 0, 20, 20));
        QVERIFY(QTest::qWaitForWindowExposed(&popover));
        QVERIFY(popover.windowFlags().testFlag(Qt::Popup));
    }
};

QTEST_MAIN(TestPanelFrame)
#include "tst_panelframe.moc"

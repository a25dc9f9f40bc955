#include "panel/emptystateview.h"
#include "panel/panelview.h"
#include "panel/watchlistview.h"
#include "panel/watchrow.h"
#include "panelfixture.h"

#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

using namespace Quello;
using namespace Quello::Test;

namespace {

QList<Watch> savedWatches(int count) {
    QList<Watch> watches;
    for (int i = 0; i < count; ++i)
        watches.append(savedWatch(QStringLiteral("host%1.example.com").arg(i)));
    return watches;
}

// What the rows or the empty state ask for, with spacing and padding.
int expectedContentHeight(const WatchListView& list) {
    const int width = list.viewport()->width() - 2 * WatchListView::contentPadding;
    int height = 2 * WatchListView::contentPadding;
    const QList<WatchRow*> rows = list.rows();
    if (rows.isEmpty())
        return height + list.emptyState()->heightForWidth(width);
    for (const WatchRow* row : rows)
        height += row->heightForWidth(width);
    return height + WatchListView::rowSpacing * static_cast<int>(rows.size() - 1);
}

} // namespace

class TestWatchListView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { setMotion(false); }

    void areaHeight_data() {
        QTest::addColumn<double>("content");
        QTest::addColumn<int>("area");
        QTest::newRow("not measured") << 0.0 << 1;
        QTest::newRow("fraction rounds up") << 1.5 << 2;
        QTest::newRow("short list") << 152.0 << 152;
        QTest::newRow("long list") << 9000.0 << 380;
    }

    void areaHeight() {
        QFETCH(double, content);
        QFETCH(int, area);
        QCOMPARE(WatchListView::areaHeight(content), area);
    }

    void sizeFollowsTheRows() {
        StoreFixture fixture;
        DigStore& store = fixture.start(savedWatches(3));
        WatchListView list(store);
        list.resize(380, 1);
        // One point high until the content has been measured.
        QCOMPARE(list.sizeHint().height(), 1);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QCOMPARE(list.listContentHeight(), expectedContentHeight(list));
        list.resize(380, list.sizeHint().height());
        QTRY_COMPARE(list.verticalScrollBar()->maximum(), 0);

        const double before = list.listContentHeight();
        list.rows().at(1)->setExpanded(true);
        QTRY_VERIFY(list.listContentHeight() > before);
        QCOMPARE(list.listContentHeight(), expectedContentHeight(list));

        // Rows that stay are the same rows.
        const QList<WatchRow*> rows = list.rows();
        QVERIFY(store.add(QStringLiteral("added.example.com"), RecordType::AAAA, std::nullopt));
        store.remove(store.watches().at(1).id);
        QCOMPARE(list.rows().size(), 3);
        QCOMPARE(list.rows().at(1), rows.at(2));
        QCOMPARE(list.rows().at(2)->watch().domain, QStringLiteral("added.example.com"));

        // The last one gone brings the empty state back, and its height.
        for (const Watch& watch : QList<Watch>(store.watches()))
            store.remove(watch.id);
        QVERIFY(list.emptyState()->isVisibleTo(&list));
        QTRY_COMPARE(list.rows().size(), 0);
        QTRY_COMPARE(list.listContentHeight(), expectedContentHeight(list));
        QCOMPARE(list.emptyState()->heading(), QStringLiteral("No watches yet"));
    }

    void longListScrollsAtTheCap() {
        StoreFixture fixture;
        WatchListView list(fixture.start(savedWatches(500)));
        list.resize(380, 1);
        list.show();
        QCOMPARE(list.sizeHint().height(), 380);
        list.resize(380, list.sizeHint().height());
        QTRY_VERIFY(list.verticalScrollBar()->maximum() > 0);
        // Only the rows near the visible part are built.
        QVERIFY(list.rows().size() < 50);
    }

    void keyboard() {
        StoreFixture fixture;
        DigStore& store = fixture.start(savedWatches(3));
        PanelView panel(store);
        panel.show();
        panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        panel.takeInitialFocus();
        QTest::keyClicks(panel.inputField(), QStringLiteral("example.com mx"));
        const auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        };
        const QList<WatchRow*> rows = panel.listArea()->rows();
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), rows.at(0));
        press(Qt::Key_Down);
        press(Qt::Key_Return);
        QVERIFY(rows.at(1)->isExpanded());
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), panel.actionsButton());
        press(Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), rows.at(1));

        press(Qt::Key_F10, Qt::ShiftModifier);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        menu->setActiveAction(menu->actions().constLast());
        QCOMPARE(menu->activeAction()->text(), QStringLiteral("Remove"));
        QTest::keyClick(menu, Qt::Key_Return);
        QCOMPARE(store.watches().size(), 2);
        QVERIFY(!store.watch(rows.at(1)->watch().id));
        QTRY_COMPARE(QApplication::focusWidget(), panel.listArea()->rows().at(1));
    }
};

QTEST_MAIN(TestWatchListView)
#include "tst_watchlistview.moc"

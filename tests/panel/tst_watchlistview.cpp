#include "panel/emptystateview.h"
#include "panel/watchlistview.h"
#include "panel/watchrow.h"
#include "panelfixture.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace Quello;
using namespace Quello::Test;

namespace {

QList<Watch> savedWatches(int count) {
    QList<Watch> watches;
    for (int i = 0; i < count; ++i)
        watches.append(savedWatch(QStringLiteral("host%1.example.com").arg(i)));
    return watches;
}

// What the rows and the empty state ask for at the list's width, with the
// spacing between them and the padding around them.
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

QStringList domains(const WatchListView& list) {
    QStringList result;
    for (const WatchRow* row : list.rows())
        result.append(row->watch().domain);
    return result;
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
        QTest::newRow("below one") << 0.4 << 1;
        QTest::newRow("one") << 1.0 << 1;
        QTest::newRow("just above one") << 1.5 << 2;
        QTest::newRow("short list") << 152.0 << 152;
        QTest::newRow("limit") << 380.0 << 380;
        QTest::newRow("just above the limit") << 380.5 << 380;
        QTest::newRow("long list") << 9000.0 << 380;
    }

    void areaHeight() {
        QFETCH(double, content);
        QFETCH(int, area);
        QCOMPARE(WatchListView::areaHeight(content), area);
    }

    void emptyList() {
        PanelFixture fixture;
        WatchListView list(fixture.start());
        list.resize(380, 1);
        // One point high until the content has been measured.
        QCOMPARE(list.listContentHeight(), 0.0);
        QCOMPARE(list.sizeHint().height(), 1);

        QSignalSpy measured(&list, &WatchListView::listContentHeightChanged);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QVERIFY(list.emptyState()->isVisible());
        QCOMPARE(list.emptyState()->heading(), QStringLiteral("No watches yet"));
        QVERIFY(list.emptyState()->hint().startsWith(QStringLiteral("Type a domain below, like ")));
        QVERIFY(!measured.isEmpty());
        QCOMPARE(list.listContentHeight(), expectedContentHeight(list));
        QVERIFY(list.listContentHeight() > 16);
        QCOMPARE(list.sizeHint().height(), qRound(list.listContentHeight()));
        QVERIFY(list.sizeHint().height() < 380);
    }

    void fewRowsFitExactly() {
        PanelFixture fixture;
        WatchListView list(fixture.start(savedWatches(3)));
        list.resize(380, 1);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QVERIFY(!list.emptyState()->isVisible());
        QCOMPARE(list.rows().size(), 3);
        QCOMPARE(list.listContentHeight(), expectedContentHeight(list));
        QCOMPARE(list.sizeHint().height(), expectedContentHeight(list));

        // Let the layout give the area its height: nothing to scroll.
        list.resize(380, list.sizeHint().height());
        QTRY_COMPARE(list.verticalScrollBar()->maximum(), 0);

        // Unfolding a row grows the list by the details.
        QSignalSpy measured(&list, &WatchListView::listContentHeightChanged);
        const double before = list.listContentHeight();
        list.rows().at(1)->setExpanded(true);
        QTRY_VERIFY(!measured.isEmpty());
        QVERIFY(list.listContentHeight() > before);
        QCOMPARE(list.listContentHeight(), expectedContentHeight(list));
    }

    void rowsFollowTheStore() {
        PanelFixture fixture;
        DigStore& store = fixture.start(savedWatches(3));
        WatchListView list(store);
        list.resize(380, 1);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QList<WatchRow*> before = list.rows();

        QVERIFY(store.add(QStringLiteral("added.example.com"), RecordType::AAAA, std::nullopt));
        const QUuid second = store.watches().at(1).id;
        store.remove(second);
        QCOMPARE(domains(list), (QStringList{QStringLiteral("host0.example.com"),
                                             QStringLiteral("host2.example.com"),
                                             QStringLiteral("added.example.com")}));
        // Rows that stay are the same rows.
        QCOMPARE(list.rows().at(0), before.at(0));
        QCOMPARE(list.rows().at(1), before.at(2));
        QTRY_COMPARE(list.listContentHeight(), expectedContentHeight(list));

        // The last one gone brings the empty state back, and its height.
        for (const Watch& watch : QList<Watch>(store.watches()))
            store.remove(watch.id);
        QVERIFY(list.emptyState()->isVisibleTo(&list));
        QTRY_COMPARE(list.rows().size(), 0);
        QTRY_COMPARE(list.listContentHeight(), expectedContentHeight(list));

        QVERIFY(store.add(QStringLiteral("example.com"), RecordType::A, std::nullopt));
        QVERIFY(!list.emptyState()->isVisibleTo(&list));
        QCOMPARE(list.rows().size(), 1);
    }

    void longListScrollsAtTheCap() {
        PanelFixture fixture;
        DigStore& store = fixture.start(savedWatches(500));
        WatchListView list(store);
        list.resize(380, 1);
        list.show();
        QVERIFY(list.listContentHeight() > 380);
        QCOMPARE(list.sizeHint().height(), 380);
        QCOMPARE(list.rows().size(), 500);

        list.resize(380, list.sizeHint().height());
        QTRY_VERIFY(list.verticalScrollBar()->maximum() > 0);
    }
};

QTEST_MAIN(TestWatchListView)
#include "tst_watchlistview.moc"

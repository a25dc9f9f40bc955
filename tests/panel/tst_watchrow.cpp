#include "panel/panelview.h"
#include "panel/rows/emptystateview.h"
#include "panel/rows/resolverdetails.h"
#include "panel/rows/watchlistview.h"
#include "panel/rows/watchrow.h"
#include "panelfixture.h"

#include <QAbstractAnimation>
#include <QAbstractButton>
#include <QAccessible>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace Quello;
using namespace Quello::Test;

Q_DECLARE_METATYPE(StatusDotLook)

namespace {

enum class Phase { Fresh, Checking, Checked, Rechecking };

struct RowUnderTest {
    std::unique_ptr<WatchListView> list;
    WatchRow* row = nullptr;
};

RowUnderTest rowFor(DigStore& store, const QUuid& id, bool show = false) {
    RowUnderTest result;
    result.list = std::make_unique<WatchListView>(store);
    result.list->resize(380, 300);
    result.row = result.list->row(id);
    if (show) {
        result.list->show();
        if (!QTest::qWaitForWindowExposed(result.list.get()))
            qWarning("the list was not exposed");
    }
    return result;
}

QStringList slow(QStringList outputs) {
    for (QString& output : outputs)
        output.prepend(u'~');
    return outputs;
}

// The content ends one padding below its last row, or the empty state.
bool contentFits(const WatchListView& list) {
    const QList<WatchRow*> rows = list.rows();
    const QWidget* last =
        rows.isEmpty() ? static_cast<const QWidget*>(list.emptyState()) : rows.constLast();
    return last->geometry().bottom() + 1 + WatchListView::contentPadding
           == list.listContentHeight();
}

struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

} // namespace

// The rows and the list that holds them.
class TestWatchRow : public QObject {
    Q_OBJECT

    std::optional<StoreFixture> m_f;

private Q_SLOTS:
    void init() {
        setMotion(false);
        m_f.emplace();
    }
    void cleanup() { m_f.reset(); }

    void summaries_data() {
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::addColumn<bool>("savedSettled");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<Phase>("phase");
        QTest::addColumn<QString>("secondLine");
        QTest::addColumn<StatusDotLook>("dot");

        const std::optional<QString> none;
        const QString one = QStringLiteral("192.0.2.1\n"), fail = QStringLiteral("!");
        const QStringList agree{one, one, one, one};
        const QString noAnswer = QStringLiteral("no answer yet");

        QTest::newRow("before the first check")
            << none << false << agree << Phase::Fresh << noAnswer << StatusDotLook::Unchecked;
        QTest::newRow("first check running")
            << none << false << slow(agree) << Phase::Checking << QStringLiteral("checking\u2026")
            << StatusDotLook::Unchecked;
        QTest::newRow("every resolver fails")
            << none << false << QStringList{fail, fail, fail, fail} << Phase::Checked << noAnswer
            << StatusDotLook::Unsettled;
        QTest::newRow("all agree") << none << false << agree << Phase::Checked
                                   << QStringLiteral("192.0.2.1") << StatusDotLook::Settled;
        QTest::newRow("one resolver unreachable")
            << none << false << QStringList{one, fail, one, one} << Phase::Checked
            << QStringLiteral("192.0.2.1") << StatusDotLook::Unsettled;
        QTest::newRow("expected value not met")
            << std::optional<QString>(QStringLiteral("192.0.2.7")) << false << agree
            << Phase::Checked << QStringLiteral("192.0.2.1 \u00B7 waiting for 192.0.2.7")
            << StatusDotLook::Unsettled;
        QTest::newRow("saved as settled, not checked yet")
            << none << true << agree << Phase::Fresh << noAnswer << StatusDotLook::Settled;
        QTest::newRow("settled during a re-check")
            << none << false << agree << Phase::Rechecking << QStringLiteral("192.0.2.1")
            << StatusDotLook::Settled;
    }

    void summaries() {
        QFETCH(std::optional<QString>, expected);
        QFETCH(bool, savedSettled);
        QFETCH(QStringList, answers);
        QFETCH(Phase, phase);
        QFETCH(QString, secondLine);
        QFETCH(StatusDotLook, dot);

        const Watch saved =
            savedWatch(QStringLiteral("example.com"), RecordType::A, expected,
                       savedSettled ? std::optional<Instant>(650'000'000.0) : std::nullopt);
        m_f->answer(answers);
        DigStore& store = m_f->start({saved});
        RowUnderTest under = rowFor(store, saved.id);
        QVERIFY(under.row);

        if (phase == Phase::Checking)
            QTRY_VERIFY(store.isChecking().contains(saved.id));
        if (phase == Phase::Checked || phase == Phase::Rechecking)
            QVERIFY(m_f->launchChecksDone());
        if (phase == Phase::Rechecking) {
            m_f->answer(slow(answers));
            store.check(saved.id);
            QVERIFY(store.isChecking().contains(saved.id));
        }

        QCOMPARE(under.row->secondLine(), secondLine);
        QCOMPARE(under.row->statusDotLook(), dot);
        // What it is called is read through the accessibility bridge.
        QCOMPARE(QAccessible::queryAccessibleInterface(under.row)->text(QAccessible::Value),
                 dot == StatusDotLook::Settled ? QStringLiteral("settled")
                                               : QStringLiteral("propagating"));
    }

    void resolverTexts_data() {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QList<int>>("ttls");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QStringList>("texts");

        const QString ellipsis = QStringLiteral("\u2026");
        QTest::newRow("no result yet") << QStringList(4, QStringLiteral("1.2.3.4\n"))
                                       << QList<int>{} << false << QStringList(4, ellipsis);
        QTest::newRow("each kind of answer")
            << QStringList{QStringLiteral("\"v=spf1 -all\"\n"), QStringLiteral("!1"), QString(),
                           QStringLiteral("192.0.2.2\n192.0.2.1\n")}
            << QList<int>{} << true
            << QStringList{QStringLiteral("v=spf1 -all"), QStringLiteral("query failed"),
                           QStringLiteral("no record of this type"),
                           QStringLiteral("192.0.2.1  192.0.2.2")};
        // The consensus is the first resolver's; the others lag behind it.
        QTest::newRow("statuses, and how long caches keep them")
            << QStringList{QStringLiteral("192.0.2.2\n"), QStringLiteral("?SERVFAIL"),
                           QStringLiteral("?NXDOMAIN"), QStringLiteral("192.0.2.1\n")}
            << QList<int>{300, 0, 60, 102} << true
            << QStringList{QStringLiteral("192.0.2.2"), QStringLiteral("server failure"),
                           QStringLiteral("no such name \u00B7 cached 1 min more"),
                           QStringLiteral("192.0.2.1 \u00B7 cached 1 min 42 s more")};
    }

    void resolverTexts() {
        QFETCH(QStringList, answers);
        QFETCH(QList<int>, ttls);
        QFETCH(bool, checked);
        QFETCH(QStringList, texts);

        const Watch saved = savedWatch(QStringLiteral("example.com"), RecordType::TXT);
        m_f->answer(answers, FakeDig::any, ttls);
        DigStore& store = m_f->start({saved});
        if (checked)
            QVERIFY(m_f->launchChecksDone());
        QStringList got;
        for (const Resolver& resolver : Resolver::all())
            got.append(ResolverDetails::resolverText(store, saved, resolver));
        QCOMPARE(got, texts);
    }

    // Quad9's cache keeps the old answer 150 s more: the row says about when,
    // and counts down on its own, at most once a second.
    void countdown() {
        const QString one = QStringLiteral("192.0.2.1\n");
        m_f->answer({one, one, one, QStringLiteral("192.0.2.9\n")}, FakeDig::any,
                    {300, 300, 300, 150});
        const Watch saved = savedWatch(QStringLiteral("example.com"));
        const Watch absent = savedWatch(QStringLiteral("absent.example.com"), RecordType::TXT,
                                        QStringLiteral("k3y"));
        m_f->answer(QStringList(4, QStringLiteral("?NXDOMAIN")), absent.domain, {60, 60, 60, 60});
        DigStore& store = m_f->start({saved, absent});
        QVERIFY(m_f->launchChecksDone());
        RowUnderTest under = rowFor(store, saved.id, true);
        QCOMPARE(under.row->secondLine(), QStringLiteral("192.0.2.1 \u00B7 about 3 min"));
        // Without a value the reader hears the estimate once, not again after
        // "no answer yet".
        const QString name = QAccessible::queryAccessibleInterface(under.list->row(absent.id))
                                 ->text(QAccessible::Name);
        QCOMPARE(name.count(QStringLiteral("about 1 min")), 1);
        QVERIFY(name.contains(QStringLiteral(", no answer yet, propagating")));
        QVERIFY(under.row->accessibilitySummary().endsWith(QStringLiteral(", about 3 min")));

        PaintCounter counter;
        under.row->installEventFilter(&counter);
        m_f->clock.setNow(m_f->clock.now() + 151);
        QTest::qWait(2500);
        QVERIFY2(counter.paints >= 1 && counter.paints <= 3,
                 qPrintable(QString::number(counter.paints)));
        QCOMPARE(under.row->secondLine(), QStringLiteral("192.0.2.1 \u00B7 any moment now"));
    }

    void contextMenu_data() {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("copied");

        const QString two = QStringLiteral("192.0.2.2\n192.0.2.1\n");
        QTest::newRow("with a value")
            << QStringList{two, QStringLiteral("!"), two, QString()}
            << QStringList{QStringLiteral("Check Now"), QStringLiteral("Copy Value"),
                           QStringLiteral("Remove")}
            << QStringLiteral("192.0.2.1, 192.0.2.2");
        QTest::newRow("without a value")
            << QStringList{QStringLiteral("!"), QStringLiteral("!"), QString(), QString()}
            << QStringList{QStringLiteral("Check Now"), QStringLiteral("Remove")} << QString();
    }

    void contextMenu() {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, items);
        QFETCH(QString, copied);

        const Watch saved = savedWatch(QStringLiteral("example.com"));
        m_f->answer(answers);
        DigStore& store = m_f->start({saved});
        QVERIFY(m_f->launchChecksDone());
        RowUnderTest under = rowFor(store, saved.id);

        std::unique_ptr<QMenu> menu(under.row->createContextMenu(nullptr));
        QStringList texts;
        for (const QAction* action : menu->actions())
            texts.append(action->text());
        QCOMPARE(texts, items);
        if (!copied.isEmpty()) {
            menu->actions().at(1)->trigger(); // Copy Value
            QCOMPARE(QGuiApplication::clipboard()->text(), copied);
        }
        menu->actions().constFirst()->trigger(); // Check Now
        QVERIFY(store.isChecking().contains(saved.id));
    }

    // New results must not rebuild the row and lose what the user opened.
    // A click on the row opens it.
    void stateSurvivesUpdates() {
        m_f->answerAll(QStringLiteral("192.0.2.1\n"));
        DigStore& store = m_f->start(savedWatches(2));
        const QUuid first = store.watches().first().id;
        RowUnderTest under = rowFor(store, first, true);

        QTest::mouseClick(under.row, Qt::LeftButton, {}, QPoint(40, under.row->height() / 2));
        QVERIFY(under.row->isExpanded());
        QEnterEvent enter(QPointF(20, 10), QPointF(20, 10), QPointF(20, 10));
        QCoreApplication::sendEvent(under.row, &enter);
        // The remove button that hovering shows keeps clear of the dots.
        const auto* trash = under.row->findChild<QAbstractButton*>();
        QVERIFY(trash && trash->isVisible());
        for (int i = 0; i < 4; ++i)
            QVERIFY(!trash->geometry().intersects(under.row->resolverDotRect(i).toAlignedRect()));
        QVERIFY(m_f->launchChecksDone());
        QVERIFY(store.watch(first)->settledAt);
        QCOMPARE(under.list->row(first), under.row);
        QVERIFY(under.row->isExpanded());
        QVERIFY(under.row->isHovering());
        QVERIFY(under.row->isSettled());
        QVERIFY(!under.list->row(store.watches().last().id)->isExpanded());
    }

    void sizeFollowsTheRows() {
        DigStore& store = m_f->start(savedWatches(3));
        WatchListView list(store);
        list.resize(380, 1);
        // One point high until the content has been measured; a row in the
        // middle of its animation is not cut off.
        QCOMPARE(list.sizeHint().height(), 1);
        QCOMPARE(WatchListView::areaHeight(151.5), 152);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QVERIFY(contentFits(list));
        list.resize(380, list.sizeHint().height());
        QTRY_COMPARE(list.verticalScrollBar()->maximum(), 0);

        const double before = list.listContentHeight();
        list.rows().at(1)->setExpanded(true);
        QTRY_VERIFY(list.listContentHeight() > before);
        QVERIFY(contentFits(list));

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
        QTRY_VERIFY(contentFits(list));
    }

    void longListScrollsAtTheCap() {
        WatchListView list(m_f->start(savedWatches(500)));
        list.resize(380, 1);
        list.show();
        QCOMPARE(list.sizeHint().height(), 380);
        list.resize(380, list.sizeHint().height());
        QTRY_VERIFY(list.verticalScrollBar()->maximum() > 0);
        // Only the rows near the visible part are built.
        QVERIFY(list.rows().size() < 50);
    }

    void keyboard() {
        DigStore& store = m_f->start(savedWatches(3));
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
    void removal_data() {
        QTest::addColumn<bool>("motion");
        QTest::newRow("reduced motion") << false;
        QTest::newRow("animated") << true;
    }

    void removal() {
        QFETCH(bool, motion);
        DigStore& store = m_f->start(savedWatches(2));
        const QUuid first = store.watches().first().id;
        RowUnderTest under = rowFor(store, first, true);

        setMotion(motion);
        QPointer<WatchRow> row = under.row;
        row->setExpanded(true);
        row->remove();
        QCOMPARE(store.watches().size(), 1);
        QCOMPARE(under.list->row(first), nullptr);
        // Animated, it shrinks away in place before it goes.
        QCOMPARE(row->isVisible(), motion);
        QCOMPARE(row->findChildren<QAbstractAnimation*>().isEmpty(), !motion);
        QTRY_VERIFY(row.isNull());
        QCOMPARE(under.list->rows().size(), 1);
    }
};

QTEST_MAIN(TestWatchRow)
#include "tst_watchrow.moc"

#include "panel/resolverdetails.h"
#include "panel/watchlistview.h"
#include "panel/watchrow.h"
#include "panelfixture.h"

#include <QAbstractAnimation>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QClipboard>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QToolTip>

#include <memory>

using namespace Quello;
using namespace Quello::Test;

Q_DECLARE_METATYPE(StatusDotLook)

namespace {

// How far the watch has got when the row is looked at.
enum class Phase {
    Fresh,      // loaded, its launch check not started yet
    Checking,   // first check under way
    Checked,    // first check done
    Rechecking, // a later check under way
};

// The watch's row in a list over `store`, which the test keeps alive.
struct RowUnderTest {
    std::unique_ptr<WatchListView> list;
    WatchRow* row = nullptr;
};

RowUnderTest rowFor(DigStore& store, const QUuid& id) {
    RowUnderTest result;
    result.list = std::make_unique<WatchListView>(store);
    result.list->resize(380, 300);
    result.row = result.list->row(id);
    return result;
}

QStringList actionTexts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions())
        texts.append(action->text());
    return texts;
}

QAction* actionNamed(const QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

QStringList strings(std::initializer_list<QStringView> items) {
    QStringList result;
    for (QStringView item : items)
        result.append(item.toString());
    return result;
}

QStringList slow(const QStringList& outputs) {
    QStringList result;
    for (const QString& output : outputs)
        result.append(u'~' + output);
    return result;
}

} // namespace

class TestWatchRow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { setMotion(false); }

    void summaries_data() {
        QTest::addColumn<RecordType>("type");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::addColumn<bool>("savedSettled");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<Phase>("phase");
        QTest::addColumn<QString>("secondLine");
        QTest::addColumn<StatusDotLook>("dot");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");

        const std::optional<QString> none;
        const QString one = QStringLiteral("192.0.2.1\n");
        const QStringList agree{one, one, one, one};

        QTest::newRow("before the first check")
            << RecordType::A << none << false << agree << Phase::Fresh
            << QStringLiteral("no answer yet") << StatusDotLook::Unchecked
            << QStringLiteral("example.com, A record") << QStringLiteral("propagating");
        QTest::newRow("first check running")
            << RecordType::A << none << false << slow(agree) << Phase::Checking
            << QStringLiteral("checking\u2026") << StatusDotLook::Unchecked
            << QStringLiteral("example.com, A record") << QStringLiteral("propagating");
        QTest::newRow("every resolver fails")
            << RecordType::A << none << false << strings({u"!", u"!", u"!", u"!"}) << Phase::Checked
            << QStringLiteral("no answer yet") << StatusDotLook::Unsettled
            << QStringLiteral("example.com, A record") << QStringLiteral("propagating");
        QTest::newRow("all agree")
            << RecordType::A << none << false << agree << Phase::Checked
            << QStringLiteral("192.0.2.1") << StatusDotLook::Settled
            << QStringLiteral("example.com, A record, current value 192.0.2.1")
            << QStringLiteral("settled");
        QTest::newRow("one resolver unreachable")
            << RecordType::A << none << false << strings({one, u"!", one, one}) << Phase::Checked
            << QStringLiteral("192.0.2.1") << StatusDotLook::Unsettled
            << QStringLiteral("example.com, A record, current value 192.0.2.1")
            << QStringLiteral("propagating");
        QTest::newRow("expected value not met")
            << RecordType::A << std::optional<QString>(QStringLiteral("192.0.2.7")) << false
            << agree << Phase::Checked << QStringLiteral("192.0.2.1 \u00B7 waiting for 192.0.2.7")
            << StatusDotLook::Unsettled
            << QStringLiteral(
                   "example.com, A record, current value 192.0.2.1, waiting for 192.0.2.7")
            << QStringLiteral("propagating");
        QTest::newRow("expected value met")
            << RecordType::A << std::optional<QString>(QStringLiteral("192.0.2.1")) << false
            << agree << Phase::Checked << QStringLiteral("192.0.2.1") << StatusDotLook::Settled
            << QStringLiteral(
                   "example.com, A record, current value 192.0.2.1, waiting for 192.0.2.1")
            << QStringLiteral("settled");
        const QString mx = QStringLiteral("10 mail.example.com.\n");
        QTest::newRow("expected value shown as typed")
            << RecordType::MX << std::optional<QString>(QStringLiteral("Other.Example.")) << false
            << QStringList{mx, mx, mx, mx} << Phase::Checked
            << QStringLiteral("10 mail.example.com \u00B7 waiting for Other.Example.")
            << StatusDotLook::Unsettled
            << QStringLiteral("example.com, MX record, current value 10 mail.example.com, "
                              "waiting for Other.Example.")
            << QStringLiteral("propagating");
        QTest::newRow("saved as settled, not checked yet")
            << RecordType::A << none << true << agree << Phase::Fresh
            << QStringLiteral("no answer yet") << StatusDotLook::Settled
            << QStringLiteral("example.com, A record") << QStringLiteral("settled");
        QTest::newRow("settled during a re-check")
            << RecordType::A << none << false << agree << Phase::Rechecking
            << QStringLiteral("192.0.2.1") << StatusDotLook::Settled
            << QStringLiteral("example.com, A record, current value 192.0.2.1")
            << QStringLiteral("settled");
    }

    void summaries() {
        QFETCH(RecordType, type);
        QFETCH(std::optional<QString>, expected);
        QFETCH(bool, savedSettled);
        QFETCH(QStringList, answers);
        QFETCH(Phase, phase);
        QFETCH(QString, secondLine);
        QFETCH(StatusDotLook, dot);
        QFETCH(QString, name);
        QFETCH(QString, value);

        PanelFixture fixture;
        const Watch saved =
            savedWatch(QStringLiteral("example.com"), type, expected,
                       savedSettled ? std::optional<Instant>(650'000'000.0) : std::nullopt);
        fixture.answer(answers);
        DigStore& store = fixture.start({saved});
        RowUnderTest under = rowFor(store, saved.id);
        QVERIFY(under.row);

        switch (phase) {
        case Phase::Fresh:
            break;
        case Phase::Checking:
            QTRY_VERIFY(store.isChecking().contains(saved.id));
            QVERIFY(!store.results().contains(saved.id));
            break;
        case Phase::Checked:
            QVERIFY(fixture.launchChecksDone());
            break;
        case Phase::Rechecking:
            QVERIFY(fixture.launchChecksDone());
            fixture.answer(slow(answers));
            store.check(saved.id);
            QVERIFY(store.isChecking().contains(saved.id));
            break;
        }

        // The row shows what the store holds now: it was told by the list.
        QCOMPARE(under.row->secondLine(), secondLine);
        QCOMPARE(under.row->statusDotLook(), dot);
        QCOMPARE(under.row->accessibilitySummary(), name);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(under.row);
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name), name);
        QCOMPARE(accessible->text(QAccessible::Value), value);
    }

    void resolverTexts_data() {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QStringList>("texts");

        QTest::newRow("no result yet")
            << strings({u"1.2.3.4\n", u"1.2.3.4\n", u"1.2.3.4\n", u"1.2.3.4\n"}) << false
            << strings({u"\u2026", u"\u2026", u"\u2026", u"\u2026"});
        QTest::newRow("each kind of answer")
            << strings({u"192.0.2.1\n", u"!", u"", u"192.0.2.2\n192.0.2.1\n"}) << true
            << strings({u"192.0.2.1", u"unreachable", u"no answer", u"192.0.2.1  192.0.2.2"});
        QTest::newRow("quoted text record")
            << strings({u"\"v=spf1 -all\"\n", u"\"v=spf1 -all\"\n", u";; no servers\n", u"!"})
            << true << strings({u"v=spf1 -all", u"v=spf1 -all", u"no answer", u"unreachable"});
    }

    void resolverTexts() {
        QFETCH(QStringList, answers);
        QFETCH(bool, checked);
        QFETCH(QStringList, texts);

        PanelFixture fixture;
        const Watch saved = savedWatch(QStringLiteral("example.com"), RecordType::TXT);
        fixture.answer(answers);
        DigStore& store = fixture.start({saved});
        if (checked)
            QVERIFY(fixture.launchChecksDone());
        QStringList got;
        for (const Resolver& resolver : Resolver::all())
            got.append(ResolverDetails::resolverText(store, saved, resolver));
        QCOMPARE(got, texts);
    }

    void answerWrapsToTwoLines_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<bool>("cut");

        // The answer font is fixed-pitch, so widths are counted in characters.
        QTest::newRow("fits") << QStringLiteral("192.0.2.1  192.0.2.2") << 30 << 1 << false;
        QTest::newRow("wraps between values")
            << QStringLiteral("192.0.2.1  192.0.2.2") << 12 << 2 << false;
        QTest::newRow("long record broken anywhere, then cut")
            << QStringLiteral("v=DKIM1;k=rsa;p=MIGfMA0GCSqGSIb3DQEBAQUAA4GNADCBiQKBgQC") << 20 << 2
            << true;
        QTest::newRow("three values, the third cut")
            << QStringLiteral("192.0.2.1  192.0.2.2  192.0.2.3") << 12 << 2 << true;
    }

    void answerWrapsToTwoLines() {
        QFETCH(QString, text);
        QFETCH(int, columns);
        QFETCH(int, lineCount);
        QFETCH(bool, cut);

        const QFont font = ResolverDetails::answerFont();
        const QFontMetrics metrics(font);
        const int width = metrics.horizontalAdvance(QString(columns, u'x'));
        const QStringList lines = ResolverDetails::answerLines(text, font, width);
        QCOMPARE(lines.size(), lineCount);
        QString shown;
        for (const QString& line : lines) {
            QVERIFY(metrics.horizontalAdvance(line) <= width);
            shown += line;
        }
        QCOMPARE(shown.endsWith(u'\u2026'), cut);
        if (cut)
            shown.chop(1);
        // Nothing but the break's spaces goes missing before the cut.
        QVERIFY(text.remove(u' ').startsWith(shown.remove(u' ')));
        QCOMPARE(text.remove(u' ') == shown.remove(u' '), !cut);
    }

    void contextMenu_data() {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("copied");

        const QString two = QStringLiteral("192.0.2.2\n192.0.2.1\n");
        QTest::newRow("with a value")
            << strings({two, u"!", two, u""}) << strings({u"Check Now", u"Copy Value", u"Remove"})
            << QStringLiteral("192.0.2.1, 192.0.2.2");
        QTest::newRow("without a value")
            << strings({u"!", u"!", u"", u""}) << strings({u"Check Now", u"Remove"}) << QString();
    }

    void contextMenu() {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, items);
        QFETCH(QString, copied);

        PanelFixture fixture;
        const Watch saved = savedWatch(QStringLiteral("example.com"));
        fixture.answer(answers);
        DigStore& store = fixture.start({saved});
        QVERIFY(fixture.launchChecksDone());
        RowUnderTest under = rowFor(store, saved.id);

        std::unique_ptr<QMenu> menu(under.row->createContextMenu(nullptr));
        QCOMPARE(actionTexts(*menu), items);

        if (!copied.isEmpty()) {
            QGuiApplication::clipboard()->setText(QStringLiteral("before"));
            actionNamed(*menu, QStringLiteral("Copy Value"))->trigger();
            QCOMPARE(QGuiApplication::clipboard()->text(), copied);
        }

        actionNamed(*menu, QStringLiteral("Check Now"))->trigger();
        QVERIFY(store.isChecking().contains(saved.id));

        QPointer<WatchRow> row = under.row;
        actionNamed(*menu, QStringLiteral("Remove"))->trigger();
        QVERIFY(store.watches().isEmpty());
        QTRY_VERIFY(row.isNull());
    }

    void accessibility() {
        PanelFixture fixture;
        const Watch saved = savedWatch(QStringLiteral("example.com"));
        fixture.answerAll(QStringLiteral("192.0.2.1\n"));
        DigStore& store = fixture.start({saved});
        QVERIFY(fixture.launchChecksDone());
        RowUnderTest under = rowFor(store, saved.id);
        under.list->show();
        QVERIFY(QTest::qWaitForWindowExposed(under.list.get()));

        // Hovering shows the remove button, which stays out of the tree.
        QEnterEvent enter(QPointF(20, 10), QPointF(20, 10), QPointF(20, 10));
        QCoreApplication::sendEvent(under.row, &enter);
        QVERIFY(under.row->isHovering());

        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(under.row);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::Button);
        QCOMPARE(accessible->childCount(), 0);
        QCOMPARE(accessible->text(QAccessible::Description),
                 QStringLiteral("Shows the answer from each resolver."));
        QAccessibleActionInterface* actions = accessible->actionInterface();
        QVERIFY(actions);
        QVERIFY(actions->actionNames().contains(QStringLiteral("Check now")));
        QVERIFY(actions->actionNames().contains(QStringLiteral("Remove")));

        actions->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(under.row->isExpanded());

        actions->doAction(QStringLiteral("Check now"));
        QVERIFY(store.isChecking().contains(saved.id));
        QVERIFY(fixture.launchChecksDone());

        QPointer<WatchRow> row = under.row;
        actions->doAction(QStringLiteral("Remove"));
        QVERIFY(store.watches().isEmpty());
        QTRY_VERIFY(row.isNull());
    }

    void stateSurvivesUpdates() {
        PanelFixture fixture;
        const Watch first = savedWatch(QStringLiteral("example.com"));
        const Watch second = savedWatch(QStringLiteral("example.org"));
        fixture.answerAll(QStringLiteral("192.0.2.1\n"));
        DigStore& store = fixture.start({first, second});
        RowUnderTest under = rowFor(store, first.id);
        under.list->show();
        QVERIFY(QTest::qWaitForWindowExposed(under.list.get()));

        under.row->setExpanded(true);
        QEnterEvent enter(QPointF(20, 10), QPointF(20, 10), QPointF(20, 10));
        QCoreApplication::sendEvent(under.row, &enter);
        // The launch checks settle both watches: results, checking, settledAt.
        QVERIFY(fixture.launchChecksDone());
        QVERIFY(store.watch(first.id)->settledAt);
        QCOMPARE(under.list->row(first.id), under.row);
        QVERIFY(under.row->isExpanded());
        QVERIFY(under.row->isHovering());
        QVERIFY(under.row->isSettled());
        QVERIFY(!under.list->row(second.id)->isExpanded());
    }

    void resolverDotsNameTheirResolvers_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        for (int i = 0; i < 4; ++i) {
            const Resolver& resolver = Resolver::all().at(static_cast<size_t>(i));
            QTest::newRow(qPrintable(resolver.id)) << i << resolver.name;
        }
    }

    void resolverDotsNameTheirResolvers() {
        QFETCH(int, index);
        QFETCH(QString, name);

        PanelFixture fixture;
        const Watch saved = savedWatch(QStringLiteral("example.com"));
        RowUnderTest under = rowFor(fixture.start({saved}), saved.id);
        under.list->show();
        QVERIFY(QTest::qWaitForWindowExposed(under.list.get()));

        // Four 5-point dots 4 apart, flush with the row's 10-point padding,
        // centred on the collapsed row.
        const int right = under.row->width() - 10;
        const QPoint dot(right - 32 + index * 9 + 2, under.row->height() / 2);
        QHelpEvent help(QEvent::ToolTip, dot, under.row->mapToGlobal(dot));
        QCoreApplication::sendEvent(under.row, &help);
        QTRY_COMPARE(QToolTip::text(), name);

        // Between the text and the dots there is nothing to explain.
        const QPoint gap(right - 60, under.row->height() / 2);
        QHelpEvent none(QEvent::ToolTip, gap, under.row->mapToGlobal(gap));
        QCoreApplication::sendEvent(under.row, &none);
        QTRY_VERIFY(QToolTip::text().isEmpty());
    }

    void clickTogglesDetails() {
        PanelFixture fixture;
        const Watch saved = savedWatch(QStringLiteral("example.com"));
        fixture.answer({QStringLiteral("192.0.2.1\n"), QStringLiteral("!"),
                        QStringLiteral("192.0.2.1\n"), QString()});
        DigStore& store = fixture.start({saved});
        QVERIFY(fixture.launchChecksDone());
        RowUnderTest under = rowFor(store, saved.id);
        under.list->show();
        QVERIFY(QTest::qWaitForWindowExposed(under.list.get()));

        const int collapsed = under.row->height();
        const int details =
            ResolverDetails(store, *store.watch(saved.id)).heightForWidth(under.row->width() - 20);
        QTest::mouseClick(under.row, Qt::LeftButton, {}, QPoint(40, collapsed / 2));
        QVERIFY(under.row->isExpanded());
        QVERIFY(under.list->findChildren<QAbstractAnimation*>().isEmpty());
        QTRY_COMPARE(under.row->height(), collapsed + details);

        QTest::mouseClick(under.row, Qt::LeftButton, {}, QPoint(40, collapsed / 2));
        QVERIFY(!under.row->isExpanded());
        QTRY_COMPARE(under.row->height(), collapsed);
    }

    void removal_data() {
        QTest::addColumn<bool>("motion");
        QTest::newRow("reduced motion") << false;
        QTest::newRow("animated") << true;
    }

    void removal() {
        QFETCH(bool, motion);
        PanelFixture fixture;
        const Watch first = savedWatch(QStringLiteral("example.com"));
        const Watch second = savedWatch(QStringLiteral("example.org"));
        DigStore& store = fixture.start({first, second});
        RowUnderTest under = rowFor(store, first.id);
        under.list->show();
        QVERIFY(QTest::qWaitForWindowExposed(under.list.get()));

        setMotion(motion);
        QPointer<WatchRow> row = under.row;
        row->setExpanded(true);
        row->remove();
        QCOMPARE(store.watches().size(), 1);
        QCOMPARE(under.list->row(first.id), nullptr);
        if (motion) {
            // It shrinks away in place before it goes.
            QVERIFY(row->isVisible());
            QVERIFY(!row->findChildren<QAbstractAnimation*>().isEmpty());
        } else {
            QVERIFY(row->isHidden());
            QVERIFY(row->findChildren<QAbstractAnimation*>().isEmpty());
        }
        QTRY_VERIFY(row.isNull());
        QCOMPARE(under.list->rows().size(), 1);
    }
};

QTEST_MAIN(TestWatchRow)
#include "tst_watchrow.moc"

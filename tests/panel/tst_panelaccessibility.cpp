#include "menubar/panelpopover.h"
#include "panel/panelview.h"
#include "panel/rows/watchlistview.h"
#include "panel/rows/watchrow.h"
#include "panelfixture.h"

#include <QAccessible>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QTest>

using namespace Quello;
using namespace Quello::Test;

// The panel as a screen reader finds it: the real AT-SPI stack, started here
// on the private session bus the test runs on, read by pyatspi in another
// process.
class TestPanelAccessibility : public QObject {
    Q_OBJECT

    QProcess m_launcher;

    QString readTree(const QStringList& action = {}) {
        QProcess reader;
        reader.start(QStringLiteral("/usr/bin/python3"),
                     QStringList{QStringLiteral(ATSPITREE_PATH),
                                 QString::number(QCoreApplication::applicationPid())}
                         + action);
        // The tree is answered from this event loop while the reader runs.
        if (!QTest::qWaitFor([&] { return reader.state() == QProcess::NotRunning; }, 30000))
            reader.kill();
        const QString errors = QString::fromUtf8(reader.readAllStandardError());
        if (!errors.isEmpty())
            qWarning("%s", qPrintable(errors));
        return QString::fromUtf8(reader.readAllStandardOutput());
    }

private Q_SLOTS:
    void initTestCase() {
        setMotion(false);
        // Qt's bridge watches the session bus for the launcher's service.
        m_launcher.start(QStringLiteral("/usr/libexec/at-spi-bus-launcher"),
                         {QStringLiteral("--launch-immediately")});
        QVERIFY(m_launcher.waitForStarted());
        QTRY_VERIFY(QAccessible::isActive());
    }

    void cleanupTestCase() {
        m_launcher.terminate();
        if (!m_launcher.waitForFinished(3000))
            m_launcher.kill();
    }

    void tree() {
        StoreFixture fixture;
        const Watch pending = savedWatch(QStringLiteral("pending.example.com"), RecordType::A,
                                         QStringLiteral("192.0.2.7"));
        const Watch settled = savedWatch(QStringLiteral("settled.example.com"));
        // Only the settled one has an answer.
        fixture.answer(QStringList(4, QStringLiteral("192.0.2.1\n")), settled.domain);
        DigStore& store = fixture.start({pending, settled});
        QVERIFY(fixture.launchChecksDone());
        PanelPopover popover(store);
        popover.showAnchored(QRect(600, 0, 24, 24));
        QVERIFY(QTest::qWaitForWindowExposed(&popover));
        QTest::keyClicks(popover.panel()->inputField(), QStringLiteral("example.com mx"));
        popover.panel()->listArea()->row(settled.id)->setExpanded(true);

        QTest::keyClick(popover.panel()->inputField(), Qt::Key_Return);
        WatchRow* row = popover.panel()->listArea()->row(settled.id);
        QVERIFY(row != nullptr);

        QString tree = readTree();
        const QString actions = QStringLiteral("|Press,Check now,Remove");
        for (const QString& line : {
                 // The value right after the label; the place in the list.
                 QStringLiteral("push button|pending.example.com, A record, waiting for "
                                "192.0.2.7, no answer yet, propagating|1 of 3|collapsed")
                     + actions,
                 QStringLiteral("push button|settled.example.com, A record, current value "
                                "192.0.2.1, settled|2 of 3|expanded")
                     + actions,
                 QStringLiteral("list item|This computer, 192.0.2.1, agrees|||"),
                 QStringLiteral("list item|Quad9, 192.0.2.1, agrees|||"),
                 QStringLiteral("list item|Source, unknown|||"),
                 QStringLiteral("text|New watch|Added example.com, MX|focused|"),
             }) {
            QVERIFY2(tree.contains(line), qPrintable(line + QStringLiteral("\nnot in\n") + tree));
        }
        // Down from the open row goes to its first line, the source's; Up back.
        row->setFocus(Qt::TabFocusReason);
        QTest::keyClick(row, Qt::Key_Down);
        tree = readTree();
        QVERIFY2(tree.contains(QStringLiteral("list item|Source, unknown||focused|")),
                 qPrintable(tree));
        QTest::keyClick(row, Qt::Key_Up);
        QCOMPARE(row->currentLine(), -1);
        // Menus carry their size, their items their shortcuts.
        QCOMPARE(popover.panel()->actionsMenu()->accessibleName(),
                 QStringLiteral("More actions, 2 items"));
        QCOMPARE(popover.panel()->checkAllAction()->text(),
                 QStringLiteral("Check All Now\tCtrl+R"));
        readTree({QStringLiteral("pending."), QStringLiteral("Remove")});
        QTRY_COMPARE(store.watches().size(), 2);
    }
};

QTEST_MAIN(TestPanelAccessibility)
#include "tst_panelaccessibility.moc"

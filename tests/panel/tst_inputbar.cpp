#include "panel/chiprow.h"
#include "panel/fieldrow.h"
#include "panel/inputbar.h"
#include "panelfixture.h"

#include <QAbstractAnimation>
#include <QLineEdit>
#include <QTest>

using namespace Quello;
using namespace Quello::Test;

namespace {

QStringList chipTexts(const InputBar& bar) {
    QStringList texts;
    for (const PreviewChip& chip : bar.chipRow()->chips())
        texts.append(chip.text);
    return texts;
}

int runningAnimations(const QWidget& widget) {
    int running = 0;
    for (const QAbstractAnimation* animation : widget.findChildren<QAbstractAnimation*>()) {
        if (animation->state() == QAbstractAnimation::Running)
            ++running;
    }
    return running;
}

} // namespace

class TestInputBar : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { setMotion(false); }

    void returnAddsOnlyWhatParses_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("added");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<RecordType>("type");
        QTest::addColumn<std::optional<QString>>("expected");

        QTest::newRow("domain") << QStringLiteral("Example.com") << true
                                << QStringLiteral("example.com") << RecordType::A
                                << std::optional<QString>();
        QTest::newRow("type and value")
            << QStringLiteral("example.com mx 10 mail.example.com.") << true
            << QStringLiteral("example.com") << RecordType::MX
            << std::optional<QString>(QStringLiteral("10 mail.example.com."));
        QTest::newRow("spaces and tabs around")
            << QStringLiteral(" \texample.com TXT\t \u00A0") << true
            << QStringLiteral("example.com") << RecordType::TXT << std::optional<QString>();
        QTest::newRow("refused") << QStringLiteral("example") << false << QString() << RecordType::A
                                 << std::optional<QString>();
        QTest::newRow("line break before trailing space")
            << QStringLiteral("example.com\n ") << false << QString() << RecordType::A
            << std::optional<QString>();
        QTest::newRow("empty") << QString() << false << QString() << RecordType::A
                               << std::optional<QString>();
    }

    void returnAddsOnlyWhatParses() {
        QFETCH(QString, line);
        QFETCH(bool, added);
        QFETCH(QString, domain);
        QFETCH(RecordType, type);
        QFETCH(std::optional<QString>, expected);

        PanelFixture fixture;
        DigStore& store = fixture.start();
        InputBar bar(store);
        bar.field()->setText(line);
        QCOMPARE(bar.field()->text(), line);
        QTest::keyClick(bar.field(), Qt::Key_Return);

        QCOMPARE(store.watches().size(), added ? 1 : 0);
        // A refused line stays for the user to mend; an added one clears.
        QCOMPARE(bar.field()->text(), added ? QString() : line);
        if (added) {
            const Watch& watch = store.watches().constFirst();
            QCOMPARE(watch.domain, domain);
            QCOMPARE(watch.recordType, type);
            QCOMPARE(watch.expected, expected);
            QVERIFY(chipTexts(bar).isEmpty() || bar.chipRow()->reveal() == 0);
        }
    }

    void duplicateStaysWithItsPreview() {
        PanelFixture fixture;
        DigStore& store = fixture.start();
        QVERIFY(
            store.add(QStringLiteral("example.com"), RecordType::A, QStringLiteral("192.0.2.1")));
        InputBar bar(store);
        bar.field()->setText(QStringLiteral("EXAMPLE.com a  192.0.2.1"));
        QTest::keyClick(bar.field(), Qt::Key_Return);

        QCOMPARE(store.watches().size(), 1);
        QCOMPARE(bar.field()->text(), QStringLiteral("EXAMPLE.com a  192.0.2.1"));
        QCOMPARE(chipTexts(bar), (QStringList{QStringLiteral("example.com"), QStringLiteral("A"),
                                              QStringLiteral("wait for 192.0.2.1")}));
        QCOMPARE(bar.chipRow()->reveal(), 1.0);

        // Another expected value is another watch.
        bar.field()->setText(QStringLiteral("example.com A 192.0.2.2"));
        QTest::keyClick(bar.field(), Qt::Key_Return);
        QCOMPARE(store.watches().size(), 2);
    }

    void fieldKeepsFocusAfterAdding() {
        PanelFixture fixture;
        DigStore& store = fixture.start();
        InputBar bar(store);
        bar.show();
        bar.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&bar));
        bar.field()->setFocus();
        QTest::keyClicks(bar.field(), QStringLiteral("example.com"));
        QTest::keyClick(bar.field(), Qt::Key_Return);
        QCOMPARE(store.watches().size(), 1);
        QVERIFY(bar.field()->hasFocus());
        // Return on the now empty field does nothing.
        QTest::keyClick(bar.field(), Qt::Key_Return);
        QCOMPARE(store.watches().size(), 1);
    }

    void reducedMotionStartsNoAnimation() {
        PanelFixture fixture;
        DigStore& store = fixture.start();
        InputBar bar(store);
        bar.show();
        QTest::keyClicks(bar.field(), QStringLiteral("example.com"));
        bar.field()->clear();
        QTest::keyClicks(bar.field(), QStringLiteral("example.com A 192.0.2.1"));
        QTest::keyClick(bar.field(), Qt::Key_Return);
        QCOMPARE(store.watches().size(), 1);
        QVERIFY(bar.findChildren<QAbstractAnimation*>().isEmpty());
    }

    void animationFollowsTheParsedDomain() {
        setMotion(true);
        PanelFixture fixture;
        InputBar bar(fixture.start());
        bar.show();

        QTest::keyClicks(bar.field(), QStringLiteral("example.com"));
        QCOMPARE(runningAnimations(bar), 2); // the row and the field colours
        QTRY_COMPARE(runningAnimations(bar), 0);
        QCOMPARE(bar.chipRow()->reveal(), 1.0);
        QCOMPARE(bar.fieldRow()->tone(), 1.0);

        // Same domain: the chips change at once, nothing moves.
        bar.field()->setText(QStringLiteral("example.com TXT hello"));
        QTest::keyClicks(bar.field(), QStringLiteral(" world"));
        QCOMPARE(runningAnimations(bar), 0);
        QCOMPARE(chipTexts(bar), (QStringList{QStringLiteral("example.com"), QStringLiteral("TXT"),
                                              QStringLiteral("wait for hello world")}));

        // Through a line that does not parse, the row leaves and comes back.
        bar.field()->setText(QStringLiteral("example.com TX"));
        QCOMPARE(runningAnimations(bar), 2);
        // While it leaves it still shows what it showed.
        QCOMPARE(chipTexts(bar).size(), 3);
        bar.field()->setText(QStringLiteral("example.com TXT"));
        QCOMPARE(runningAnimations(bar), 2);
        QTRY_COMPARE(runningAnimations(bar), 0);
        QCOMPARE(bar.chipRow()->reveal(), 1.0);

        bar.field()->clear();
        QTRY_COMPARE(runningAnimations(bar), 0);
        QCOMPARE(bar.chipRow()->reveal(), 0.0);
        QCOMPARE(bar.fieldRow()->tone(), 0.0);
    }
};

QTEST_MAIN(TestInputBar)
#include "tst_inputbar.moc"

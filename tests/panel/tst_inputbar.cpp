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
    for (const QAbstractAnimation* animation : widget.findChildren<QAbstractAnimation*>())
        running += animation->state() == QAbstractAnimation::Running ? 1 : 0;
    return running;
}

} // namespace

class TestInputBar : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { setMotion(false); }

    void returnAddsOnlyWhatParses_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<RecordType>("type");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::addColumn<QString>("spoken"); // the field's description before Return

        const std::optional<QString> none;
        const QString invalid = QStringLiteral("Not a valid watch");
        QTest::newRow("domain") << QStringLiteral("Example.com") << QStringLiteral("example.com")
                                << RecordType::A << none << QStringLiteral("example.com, A");
        QTest::newRow("type and value, spaces around")
            << QStringLiteral(" \texample.com mx 10 mail.example.com.\u00A0")
            << QStringLiteral("example.com") << RecordType::MX
            << std::optional<QString>(QStringLiteral("10 mail.example.com."))
            << QStringLiteral("example.com, MX, expecting 10 mail.example.com.");
        QTest::newRow("refused") << QStringLiteral("example") << QString() << RecordType::A << none
                                 << invalid;
        QTest::newRow("line break before trailing space")
            << QStringLiteral("example.com\n ") << QString() << RecordType::A << none << invalid;
    }

    void returnAddsOnlyWhatParses() {
        QFETCH(QString, line);
        QFETCH(QString, domain);
        QFETCH(RecordType, type);
        QFETCH(std::optional<QString>, expected);
        QFETCH(QString, spoken);
        const bool added = !domain.isEmpty();

        StoreFixture fixture;
        DigStore& store = fixture.start();
        InputBar bar(store);
        bar.field()->setText(line);
        QCOMPARE(bar.field()->accessibleDescription(), spoken);
        QTest::keyClick(bar.field(), Qt::Key_Return);

        QCOMPARE(store.watches().size(), added ? 1 : 0);
        // A refused line stays for the user to mend; an added one clears.
        QCOMPARE(bar.field()->text(), added ? QString() : line);
        if (added) {
            const Watch& watch = store.watches().constFirst();
            QCOMPARE(watch.domain, domain);
            QCOMPARE(watch.recordType, type);
            QCOMPARE(watch.expected, expected);
        }
    }

    void duplicateStaysWithItsPreview() {
        StoreFixture fixture;
        DigStore& store = fixture.start();
        QVERIFY(
            store.add(QStringLiteral("example.com"), RecordType::A, QStringLiteral("192.0.2.1")));
        InputBar bar(store);
        bar.field()->setText(QStringLiteral("EXAMPLE.com a  192.0.2.1"));
        QTest::keyClick(bar.field(), Qt::Key_Return);

        QCOMPARE(store.watches().size(), 1);
        QCOMPARE(bar.field()->text(), QStringLiteral("EXAMPLE.com a  192.0.2.1"));
        QCOMPARE(chipTexts(bar).size(), 3);
        QCOMPARE(bar.chipRow()->reveal(), 1.0);
    }

    void animationFollowsTheParsedDomain() {
        setMotion(true);
        StoreFixture fixture;
        InputBar bar(fixture.start());
        bar.show();

        QTest::keyClicks(bar.field(), QStringLiteral("example.com"));
        QCOMPARE(runningAnimations(bar), 2); // the row and the field colours
        QTRY_COMPARE(runningAnimations(bar), 0);
        QCOMPARE(bar.chipRow()->reveal(), 1.0);
        QCOMPARE(bar.fieldRow()->tone(), 1.0);

        // Same domain: the chips change at once, nothing moves.
        bar.field()->setText(QStringLiteral("example.com TXT hello"));
        QCOMPARE(runningAnimations(bar), 0);
        QCOMPARE(chipTexts(bar).size(), 3);

        // Through a line that does not parse, the row leaves (still showing
        // what it showed) and comes back.
        bar.field()->setText(QStringLiteral("example.com TX"));
        QCOMPARE(runningAnimations(bar), 2);
        QCOMPARE(chipTexts(bar).size(), 3);
        bar.field()->setText(QStringLiteral("example.com TXT"));
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

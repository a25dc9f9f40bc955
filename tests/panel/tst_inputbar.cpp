#include "panel/input/chiprow.h"
#include "panel/input/fieldrow.h"
#include "panel/input/inputbar.h"
#include "panel/input/inputpreview.h"
#include "panel/rows/dotpainter.h"
#include "panel/rows/watchrow.h"
#include "panel/style/accentcolors.h"
#include "panel/style/contrast.h"
#include "panel/style/paneldivider.h"
#include "panel/style/systemcolors.h"
#include "panel/style/textstyles.h"
#include "panelfixture.h"

#include <QAbstractAnimation>
#include <QApplication>
#include <QLineEdit>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include <memory>

using namespace Quello;
using namespace Quello::Test;

namespace {

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

    void chips_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<QColor>>("colors");

        const QColor blue = AccentColors::blue();
        const QColor violet = AccentColors::violet();
        const QColor orange = SystemColors::orange();

        QTest::newRow("domain alone gives type A")
            << QStringLiteral("Example.COM")
            << QStringList{QStringLiteral("example.com"), QStringLiteral("A")}
            << QList<QColor>{blue, violet};
        QTest::newRow("expected value")
            << QStringLiteral("example.com A 192.0.2.1")
            << QStringList{QStringLiteral("example.com"), QStringLiteral("A"),
                           QStringLiteral("wait for 192.0.2.1")}
            << QList<QColor>{blue, violet, orange};
        QTest::newRow("name in another script: its ACE form")
            << QStringLiteral("b\u00FCcher.example.test A 192.0.2.1")
            << QStringList{QStringLiteral("ACE form, Tab to use it:"),
                           QStringLiteral("xn--bcher-kva.example.test")}
            << QList<QColor>{orange, blue};
        // What does not parse shows nothing; the parser's own test has its rules.
        QTest::newRow("unknown type")
            << QStringLiteral("example.com SOA") << QStringList() << QList<QColor>();
    }

    void chips() {
        QFETCH(QString, input);
        QFETCH(QStringList, texts);
        QFETCH(QList<QColor>, colors);

        const InputPreview preview(input);
        QStringList gotTexts;
        QList<QColor> gotColors;
        for (const PreviewChip& chip : preview.chips()) {
            gotTexts.append(chip.text);
            gotColors.append(chip.color);
        }
        QCOMPARE(gotTexts, texts);
        QCOMPARE(gotColors, colors);
    }

    // Every text at 4.5:1 and every line at 3:1 against what lies behind it.
    void contrast_data() {
        QTest::addColumn<QPalette>("palette");
        const auto palette = [](QRgb window, QRgb text, QRgb placeholder, QRgb mid) {
            QPalette p;
            p.setColor(QPalette::Window, window);
            p.setColor(QPalette::WindowText, text);
            p.setColor(QPalette::PlaceholderText, placeholder);
            p.setColor(QPalette::Mid, mid);
            return p;
        };
        QTest::newRow("Fusion") << std::unique_ptr<QStyle>(
                                       QStyleFactory::create(QStringLiteral("Fusion")))
                                       ->standardPalette();
        QTest::newRow("Breeze-like") << palette(0xeff0f1, 0x232629, 0x7f8c8d, 0xbabfc3);
        QTest::newRow("Breeze-like dark") << palette(0x31363b, 0xeff0f1, 0x7f8c8d, 0x2a2e32);
        QTest::newRow("Adwaita-like") << palette(0xf6f5f4, 0x2e3436, 0x929595, 0xdeddda);
        QTest::newRow("Adwaita-like dark") << palette(0x242424, 0xffffff, 0x9a9996, 0x3d3d3d);
    }

    void contrast() {
        QFETCH(QPalette, palette);
        QApplication::setPalette(palette);
        const QColor window = palette.color(QPalette::Window);
        QColor badge = palette.color(QPalette::WindowText);
        badge.setAlphaF(0.08f);
        QVERIFY(Contrast::ratio(TextStyles::secondary(nullptr), Contrast::over(badge, window))
                >= 4.5);
        for (const PreviewChip& chip : InputPreview(u"example.com A 192.0.2.1").chips()) {
            QColor fill = chip.color;
            fill.setAlphaF(0.15f);
            QVERIFY(Contrast::ratio(ChipRow::textColor(chip.color, window),
                                    Contrast::over(fill, window))
                    >= 4.5);
        }
        QVERIFY(Contrast::ratio(PanelDivider::color(palette), window) >= 3.0);
        // Dots, rings and the focus ring on the faint fill of a hovered row.
        QList<QColor> marks{TextStyles::mark(AccentColors::violet(), palette)};
        for (StatusDotLook look :
             {StatusDotLook::Settled, StatusDotLook::Unsettled, StatusDotLook::Unchecked})
            marks += DotPainter::statusDotColors(look, palette);
        for (ResolverStatus status :
             {ResolverStatus::Ok, ResolverStatus::Problem, ResolverStatus::Waiting})
            marks += DotPainter::miniDotColor(status, palette);
        for (const QColor& mark : marks)
            QVERIFY(Contrast::ratio(mark, TextStyles::ground(palette)) >= 3.0);
    }

    // The small labels keep their proportion to the desktop's font.
    void smallFontsScale() {
        const QFont desktop = QApplication::font();
        QList<qreal> shares;
        for (qreal body : {10.0, 13.0}) {
            QFont font = desktop;
            font.setPointSizeF(body);
            QApplication::setFont(font);
            shares << ChipRow::chipFont().pointSizeF() / body
                   << WatchRow::badgeFont().pointSizeF() / body;
        }
        QApplication::setFont(desktop);
        QCOMPARE(shares.mid(2), shares.first(2));
    }

    void returnAddsOnlyWhatParses_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<RecordType>("type");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::addColumn<QString>("spoken"); // the field's description before Return
        QTest::addColumn<bool>("watched");   // the parsed watch is in the list already

        const std::optional<QString> none;
        const QString invalid = QStringLiteral("Not a valid watch");
        QTest::newRow("type and value, spaces around")
            << QStringLiteral(" \texample.com mx 10 mail.example.com.\u00A0")
            << QStringLiteral("example.com") << RecordType::MX
            << std::optional<QString>(QStringLiteral("10 mail.example.com."))
            << QStringLiteral("example.com, MX, expecting 10 mail.example.com.") << false;
        QTest::newRow("refused") << QStringLiteral("example") << QString() << RecordType::A << none
                                 << invalid << false;
        QTest::newRow("duplicate, in another case")
            << QStringLiteral("EXAMPLE.com a  192.0.2.1") << QStringLiteral("example.com")
            << RecordType::A << std::optional<QString>(QStringLiteral("192.0.2.1"))
            << QStringLiteral("example.com, A, expecting 192.0.2.1") << true;
    }

    void returnAddsOnlyWhatParses() {
        QFETCH(QString, line);
        QFETCH(QString, domain);
        QFETCH(RecordType, type);
        QFETCH(std::optional<QString>, expected);
        QFETCH(QString, spoken);
        QFETCH(bool, watched);
        const bool added = !domain.isEmpty() && !watched;

        StoreFixture fixture;
        DigStore& store = fixture.start();
        if (watched)
            QVERIFY(store.add(domain, type, expected));
        InputBar bar(store);
        bar.field()->setText(line);
        QCOMPARE(bar.field()->accessibleDescription(), spoken);
        QTest::keyClick(bar.field(), Qt::Key_Return);

        QCOMPARE(store.watches().size(), added || watched ? 1 : 0);
        // A refused line stays for the user to mend, with its preview; an
        // added one clears.
        QCOMPARE(bar.field()->text(), added ? QString() : line);
        QCOMPARE(bar.chipRow()->reveal(), watched ? 1.0 : 0.0);
        for (const Watch& w : store.watches())
            QVERIFY(w.domain == domain && w.recordType == type && w.expected == expected);
    }

    // The parser refuses a name in its own script; one key or click puts its
    // ACE form into the field, and that line adds as any other.
    void aceFormTakenByTabOrClick_data() {
        QTest::addColumn<bool>("click");
        QTest::newRow("Tab") << false;
        QTest::newRow("click") << true;
    }

    void aceFormTakenByTabOrClick() {
        QFETCH(bool, click);
        StoreFixture fixture;
        DigStore& store = fixture.start();
        InputBar bar(store);
        bar.show();
        bar.field()->setText(QStringLiteral("b\u00FCcher.example.test A 192.0.2.1"));
        QCOMPARE(bar.field()->accessibleDescription(),
                 QStringLiteral("Not a valid watch; Tab puts in its ACE form, "
                                "xn--bcher-kva.example.test"));
        QTest::keyClick(bar.field(), Qt::Key_Return);
        QCOMPARE(store.watches().size(), 0);

        QTRY_VERIFY(bar.chipRow()->height() > 0);
        if (click)
            QTest::mouseClick(bar.chipRow(), Qt::LeftButton);
        else
            QTest::keyClick(bar.field(), Qt::Key_Tab);
        QCOMPARE(bar.field()->text(), QStringLiteral("xn--bcher-kva.example.test A 192.0.2.1"));
        QTest::keyClick(bar.field(), Qt::Key_Return);
        QCOMPARE(store.watches().size(), 1);
        // The row names it in both forms.
        QCOMPARE(WatchRow::domainTitle(store.watches().first().domain),
                 QStringLiteral("xn--bcher-kva.example.test (b\u00FCcher.example.test)"));
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
        QCOMPARE(bar.chipRow()->chips().size(), 3);

        // Through a line that does not parse, the row leaves (still showing
        // what it showed) and comes back.
        bar.field()->setText(QStringLiteral("example.com TX"));
        QCOMPARE(runningAnimations(bar), 2);
        QCOMPARE(bar.chipRow()->chips().size(), 3);
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

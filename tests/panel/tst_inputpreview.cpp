#include "panel/accentcolors.h"
#include "panel/chiprow.h"
#include "panel/inputpreview.h"
#include "panel/springanimation.h"
#include "panel/springeasing.h"
#include "panel/systemcolors.h"

#include <QTest>

#include <cmath>

using namespace Quello;

class TestInputPreview : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void trimming_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("trimmed");

        QTest::newRow("spaces and tabs")
            << QStringLiteral(" \t example.com \t ") << QStringLiteral("example.com");
        QTest::newRow("no-break and ideographic spaces")
            << QStringLiteral("\u00A0example.com\u3000") << QStringLiteral("example.com");
        QTest::newRow("line feed stays")
            << QStringLiteral("example.com\n") << QStringLiteral("example.com\n");
        QTest::newRow("space before a line break")
            << QStringLiteral(" example.com \n ") << QStringLiteral("example.com \n");
        QTest::newRow("only separators") << QStringLiteral(" \t\u2003 ") << QString();
    }

    void trimming() {
        QFETCH(QString, input);
        QFETCH(QString, trimmed);
        QCOMPARE(InputPreview::trimmed(input), trimmed);
    }

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
        QTest::newRow("expected words joined by one space")
            << QStringLiteral("example.com txt \"v=spf1 \t -all\"")
            << QStringList{QStringLiteral("example.com"), QStringLiteral("TXT"),
                           QStringLiteral("wait for \"v=spf1 -all\"")}
            << QList<QColor>{blue, violet, orange};
        QTest::newRow("no dot") << QStringLiteral("localhost") << QStringList() << QList<QColor>();
        QTest::newRow("unknown type")
            << QStringLiteral("example.com SOA") << QStringList() << QList<QColor>();
        QTest::newRow("address without type")
            << QStringLiteral("example.com 192.0.2.1") << QStringList() << QList<QColor>();
        QTest::newRow("line break after the domain")
            << QStringLiteral("example.com\n") << QStringList() << QList<QColor>();
        QTest::newRow("no-break space inside")
            << QStringLiteral("example.com\u00A0A") << QStringList() << QList<QColor>();
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
        // The animation follows the parsed domain and nothing else.
        QCOMPARE(preview.animationKey(),
                 texts.isEmpty() ? std::nullopt : std::optional<QString>(texts.first()));
    }

    void chipWidths_data() {
        QTest::addColumn<QList<int>>("natural");
        QTest::addColumn<int>("available");
        QTest::addColumn<QList<int>>("fitted");

        // Spacing between chips is 5.
        QTest::newRow("fits") << QList<int>{100, 30} << 200 << QList<int>{100, 30};
        QTest::newRow("long domain shrinks, type keeps")
            << QList<int>{400, 30} << 300 << QList<int>{265, 30};
        QTest::newRow("two long ones share")
            << QList<int>{400, 30, 500} << 330 << QList<int>{145, 30, 145};
        QTest::newRow("no room at all") << QList<int>{40, 30} << 0 << QList<int>{0, 0};
    }

    void chipWidths() {
        QFETCH(QList<int>, natural);
        QFETCH(int, available);
        QFETCH(QList<int>, fitted);
        QCOMPARE(ChipRow::fittedWidths(natural, available), fitted);
    }

    void springAnimationFollowsTheSpring_data() {
        QTest::addColumn<double>("response");
        QTest::addColumn<double>("damping");

        QTest::newRow("bouncy") << 0.5 << 0.3;
        QTest::newRow("overdamped") << 0.3 << 1.6;
    }

    void springAnimationFollowsTheSpring() {
        QFETCH(double, response);
        QFETCH(double, damping);
        const SpringEasing spring(response, damping);
        ChipRow target;
        SpringAnimation animation(spring, &target, "reveal");
        animation.setStartValue(0.0);
        animation.setEndValue(2.0);
        QCOMPARE(animation.duration(), spring.durationMs());

        // Driven by hand: the value is where the spring is at that time.
        for (int ms = 0; ms <= animation.duration(); ms += 5) {
            animation.setCurrentTime(ms);
            const double expected =
                ms == animation.duration() ? 2.0 : 2 * spring.position(ms / 1000.0);
            QVERIFY2(std::abs(animation.currentValue().toDouble() - expected) < 1e-6,
                     qPrintable(QStringLiteral("at %1 ms").arg(ms)));
        }
        // Settled means close to the target from then on.
        const double total = spring.settlingTime();
        for (double t = total; t < total * 3; t += total / 50)
            QVERIFY(std::abs(spring.position(t) - 1) <= 0.001);
    }
};

QTEST_MAIN(TestInputPreview)
#include "tst_inputpreview.moc"

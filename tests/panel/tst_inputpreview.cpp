#include "panel/accentcolors.h"
#include "panel/inputpreview.h"
#include "panel/systemcolors.h"

#include <QTest>

using namespace Quello;

class TestInputPreview : public QObject {
    Q_OBJECT

private Q_SLOTS:
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
};

QTEST_MAIN(TestInputPreview)
#include "tst_inputpreview.moc"

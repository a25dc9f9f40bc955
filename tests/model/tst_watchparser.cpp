#include "model/acename.h"
#include "model/watchparser.h"

#include <QTest>

using namespace Quello;
using namespace Qt::StringLiterals;
using OptionalRequest = std::optional<WatchRequest>;
Q_DECLARE_METATYPE(OptionalRequest)

namespace {

OptionalRequest request(const char* domain, RecordType type, const char* expected = nullptr) {
    return WatchRequest{QLatin1String(domain), type,
                        expected ? std::optional(QString::fromUtf8(expected)) : std::nullopt};
}

} // namespace

class TestWatchParser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<OptionalRequest>("expected");
        const OptionalRequest refused;
        const auto row = [](const char* name, const char16_t* line, const OptionalRequest& result) {
            QTest::newRow(name) << QString::fromUtf16(line) << result;
        };
        row("bare name, lower-cased", u"\t Example.COM \t", request("example.com", RecordType::A));
        row("type word in any case", u"Mail.Example.com tXt",
            request("mail.example.com", RecordType::TXT));
        // Full Unicode upper-casing: the long s becomes S.
        row("type word upper-cased beyond ASCII", u"example.com n\u017F",
            request("example.com", RecordType::NS));
        row("type outside the six", u"example.com SPF", refused);
        row("prefix of a type", u"example.com AA", refused);
        row("expected words joined by one space, case kept",
            u"example.com TXT \"v=spf1  \tX:y\t -all\" ",
            request("example.com", RecordType::TXT, "\"v=spf1 X:y -all\""));
        row("no-break space belongs to the word", u"example.com\u00A0mx", refused);
        row("line break belongs to the first word", u"example.com\nmx 1.2.3.4", refused);
    }

    void parse() {
        QFETCH(QString, line);
        QFETCH(OptionalRequest, expected);
        QVERIFY(WatchParser::parse(line) == expected);
    }

    void isValidDomain_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        const auto row = [](const char* name, const QString& text, bool valid) {
            QTest::newRow(name) << text << valid;
        };
        row("253 characters", QString(249, u'a') + QStringLiteral(".com"), true);
        row("254 characters", QString(250, u'a') + QStringLiteral(".com"), false);
        row("no dot", QStringLiteral("localhost"), false);
        row("leading underscore", QStringLiteral("_dmarc.example.com"), true);
        row("leading hyphen", QStringLiteral("-example.com"), false);
        row("trailing dot", QStringLiteral("example.com."), false);
        row("odd labels", QStringLiteral("a-..-b_.c_"), true);
        row("every allowed character",
            QStringLiteral("abcdefghijklmnopqrstuvwxyz.ABCDEFGHIJKLMNOPQRSTUVWXYZ.0123456789-_"),
            true);
        row("accented letter", QStringLiteral("caf\u00E9.example"), false);
    }

    void isValidDomain() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(WatchParser::isValidDomain(text), valid);
    }

    // The parser refuses these names; their ACE form is what to type instead.
    void aceName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("ace"); // null: no suggestion

        QTest::newRow("umlaut, any case")
            << u"B\u00FCcher.Example.test"_s << u"xn--bcher-kva.example.test"_s;
        QTest::newRow("sharp s kept (not transitional)") << u"fa\u00DF.de"_s << u"xn--fa-hia.de"_s;
        QTest::newRow("underscore label")
            << u"_dmarc.m\u00FCnchen.de"_s << u"_dmarc.xn--mnchen-3ya.de"_s;
        QTest::newRow("ASCII needs none") << u"example.com"_s << QString();
        QTest::newRow("final dot still refused") << u"\u00E4.de."_s << QString();
        QTest::newRow("no dot still refused") << u"b\u00FCcher"_s << QString();
        QTest::newRow("disallowed character") << u"\u2488.com"_s << QString();
    }

    void aceName() {
        QFETCH(QString, name);
        QFETCH(QString, ace);
        QCOMPARE(AceName::fromUnicode(name).value_or(QString()), ace);
        if (!ace.isNull())
            QCOMPARE(AceName::toUnicode(ace), std::optional(name.toLower()));
    }
};

QTEST_GUILESS_MAIN(TestWatchParser)
#include "tst_watchparser.moc"

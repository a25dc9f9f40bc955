#include "query/digrunner.h"

#include <QTest>

using namespace Quello;

class TestAnswerNormalization : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void normalize_data();
    void normalize();
    void valuesFromOutput_data();
    void valuesFromOutput();
};

void TestAnswerNormalization::normalize_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("name with final dot")
        << QStringLiteral("example.com.") << QStringLiteral("example.com");
    QTest::newRow("two final dots lose one")
        << QStringLiteral("example.com..") << QStringLiteral("example.com.");
    QTest::newRow("lone dot") << QStringLiteral(".") << QString();
    QTest::newRow("two quotes") << QStringLiteral("\"\"") << QString();
    QTest::newRow("quoted name, spaces around, final dot")
        << QStringLiteral("  \"mail.example.com.\" \t") << QStringLiteral("mail.example.com");
    QTest::newRow("two quoted strings keep the inner quotes")
        << QStringLiteral("\"part one\" \"part two\"") << QStringLiteral("part one\" \"part two");
    QTest::newRow("unicode space separators trimmed")
        << QStringLiteral("\u00a0\u3000192.0.2.1\u2003\u202f") << QStringLiteral("192.0.2.1");
    QTest::newRow("zero-width space is not a space separator")
        << QStringLiteral("\u200b192.0.2.1") << QStringLiteral("\u200b192.0.2.1");
    QTest::newRow("carriage return kept, dot before it too")
        << QStringLiteral("example.com.\r") << QStringLiteral("example.com.\r");
}

void TestAnswerNormalization::normalize() {
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(DigRunner::normalize(value), expected);
}

void TestAnswerNormalization::valuesFromOutput_data() {
    QTest::addColumn<QString>("output");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("no final line feed")
        << QStringLiteral("192.0.2.1") << QStringList{QStringLiteral("192.0.2.1")};
    QTest::newRow("MX sorted as text, not by preference")
        << QStringLiteral("5 mx1.example.com.\n10 mx2.example.com.\n")
        << QStringList{QStringLiteral("10 mx2.example.com"), QStringLiteral("5 mx1.example.com")};
    QTest::newRow("equal values both kept")
        << QStringLiteral("192.0.2.1\n192.0.2.1\n")
        << QStringList{QStringLiteral("192.0.2.1"), QStringLiteral("192.0.2.1")};
    QTest::newRow("upper case before lower case")
        << QStringLiteral("b.example\nB.example\na.example\nA.example\n")
        << QStringList{QStringLiteral("A.example"), QStringLiteral("B.example"),
                       QStringLiteral("a.example"), QStringLiteral("b.example")};
    QTest::newRow("comments dropped, indented ones too")
        << QStringLiteral(";; connection timed out\n   ; indented\n192.0.2.1\n")
        << QStringList{QStringLiteral("192.0.2.1")};
    QTest::newRow("semicolon further in kept")
        << QStringLiteral("\"v=DKIM1; k=rsa\"\n") << QStringList{QStringLiteral("v=DKIM1; k=rsa")};
    QTest::newRow("blank, dot and quote-pair lines dropped")
        << QStringLiteral("  \n.\n\t\n\"\"\n192.0.2.1\n")
        << QStringList{QStringLiteral("192.0.2.1")};
    QTest::newRow("CRLF lines keep their carriage returns")
        << QStringLiteral("b.example.\r\na.example.\r\n")
        << QStringList{QStringLiteral("a.example.\r"), QStringLiteral("b.example.\r")};
}

void TestAnswerNormalization::valuesFromOutput() {
    QFETCH(QString, output);
    QFETCH(QStringList, expected);
    QCOMPARE(DigRunner::valuesFromOutput(output), expected);
}

QTEST_GUILESS_MAIN(TestAnswerNormalization)
#include "tst_answernormalization.moc"

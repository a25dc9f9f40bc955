#include "model/instant.h"
#include "model/watchlistcodec.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace Quello;
using WatchList = QList<Watch>;
using OptionalWatchList = std::optional<WatchList>;
Q_DECLARE_METATYPE(OptionalWatchList)

namespace {

const char* const firstId = "6F9619FF-8B86-D011-B42D-00C04FC964FF";
const char* const secondId = "0a1b2c3d-4e5f-4071-8293-a4b5c6d7e8f9";

Watch makeWatch(const char* id, const char* domain, RecordType type,
                std::optional<QString> expected, Instant createdAt,
                std::optional<Instant> settledAt = std::nullopt) {
    return Watch{QUuid::fromString(QLatin1String(id)),
                 QLatin1String(domain),
                 type,
                 std::move(expected),
                 createdAt,
                 settledAt};
}

const Watch plain = makeWatch(firstId, "a.b", RecordType::A, std::nullopt, 0);

// One list element: "id" and "domain" of `plain`, then the given members.
QByteArray list(const QByteArray& members) {
    return QByteArray(R"([{"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","domain":"a.b")") + members
           + "}]";
}

} // namespace

class TestWatchListCodec : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void encode_data();
    void encode();
    void decode_data();
    void decode();
    void roundTrip_data();
    void roundTrip();
    void instants_data();
    void instants();
};

void TestWatchListCodec::encode_data() {
    QTest::addColumn<WatchList>("watches");
    QTest::addColumn<QByteArray>("json");
    using limits = std::numeric_limits<double>;

    QTest::newRow("no optional fields")
        << WatchList{plain} << list(R"(,"recordType":"A","createdAt":0)");
    QTest::newRow("every field, in order, then a second watch")
        << WatchList{makeWatch(firstId, "a.b", RecordType::MX, QStringLiteral("10 mx.c.d"),
                               731334896.789, -0.25),
                     makeWatch(secondId, "c.d", RecordType::CNAME, std::nullopt, 1e21, 12)}
        << QByteArray(R"([{"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","domain":"a.b",)"
                      R"("recordType":"MX","expected":"10 mx.c.d","createdAt":731334896.789,)"
                      R"("settledAt":-0.25},{"id":"0A1B2C3D-4E5F-4071-8293-A4B5C6D7E8F9",)"
                      R"("domain":"c.d","recordType":"CNAME",)"
                      R"("createdAt":1000000000000000000000,"settledAt":12}])");
    QTest::newRow("string escaping")
        << WatchList{makeWatch(firstId, "a.b", RecordType::TXT,
                               QStringLiteral("\"q\" \\ / \n\r\t\b\f\u0001\u001F\u007F "
                                              "\u00E9\U0001F600"),
                               0)}
        << list(R"(,"recordType":"TXT","expected":"\"q\" \\ / \n\r\t\b\f\u0001\u001f)"
                "\x7F \xC3\xA9\xF0\x9F\x98\x80"
                R"(","createdAt":0)");
    // Such values never come from a clock; the list must stay valid JSON all the same.
    QTest::newRow("non-finite instants")
        << WatchList{makeWatch(firstId, "a.b", RecordType::A, std::nullopt, limits::quiet_NaN(),
                               -limits::infinity())}
        << list(R"(,"recordType":"A","createdAt":0,"settledAt":0)");
}

void TestWatchListCodec::encode() {
    QFETCH(WatchList, watches);
    QFETCH(QByteArray, json);
    QCOMPARE(WatchListCodec::encode(watches), json);
}

void TestWatchListCodec::decode_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<OptionalWatchList>("expected");
    const OptionalWatchList unreadable;
    const QByteArray sound = list(R"(,"recordType":"A","createdAt":0)");

    QTest::newRow("null optionals")
        << list(R"(,"recordType":"A","createdAt":0,"expected":null,"settledAt":null)")
        << OptionalWatchList({plain});
    QTest::newRow("any key order, extra keys, lower-case id, exponent")
        << QByteArray(
               R"([{"settledAt":1.5e3,"x":[{}],"createdAt":-12,"expected":"v",)"
               R"("recordType":"NS","domain":"a.b","id":"6f9619ff-8b86-d011-b42d-00c04fc964ff"}])")
        << OptionalWatchList(
               {makeWatch(firstId, "a.b", RecordType::NS, QStringLiteral("v"), -12, 1500)});

    // One bad element spoils the list, however sound the others are.
    QTest::newRow("lower-case record type in the second element")
        << sound.chopped(1) + list(R"(,"recordType":"txt","createdAt":0)").replace('[', ',')
        << unreadable;
    QTest::newRow("expected as number")
        << list(R"(,"recordType":"A","createdAt":0,"expected":5)") << unreadable;
    QTest::newRow("id with an extra digit")
        << QByteArray(sound).replace("FF\",", "FF0\",") << unreadable;
    QTest::newRow("trailing text") << sound + "x" << unreadable;

    // JSON to the letter, however lenient the library underneath.
    QTest::newRow("spaces between tokens, every escape")
        << QByteArray(" \r\n[\t{ \"id\" : \"6F9619FF-8B86-D011-B42D-00C04FC964FF\" , \"domain\":"
                      R"("a.b","recordType":"TXT","expected":"\"\\\/\b\f\n\r\t\u00e9","createdAt":)"
                      "0.5E+1 } ] ")
        << OptionalWatchList({makeWatch(firstId, "a.b", RecordType::TXT,
                                        QStringLiteral("\"\\/\b\f\n\r\t\u00E9"), 5)});
    for (const char* number : {"1.", ".5"}) {
        QTest::addRow("number %s", number)
            << list(R"(,"recordType":"A","createdAt":)" + QByteArray(number)) << unreadable;
    }
}

void TestWatchListCodec::decode() {
    QFETCH(QByteArray, json);
    QFETCH(OptionalWatchList, expected);
    QVERIFY(WatchListCodec::decode(json) == expected);
}

void TestWatchListCodec::roundTrip_data() {
    QTest::addColumn<WatchList>("watches");
    const auto at = [](Instant createdAt, std::optional<Instant> settledAt) {
        return makeWatch(secondId, "a.b", RecordType::AAAA, std::nullopt, createdAt, settledAt);
    };
    using limits = std::numeric_limits<double>;

    QTest::newRow("fractional and negative instants")
        << WatchList{at(731334896.78912345, 0.1 + 0.2), at(-978307200.000001, -1.0 / 3)};
    QTest::newRow("extremes") << WatchList{at(limits::max(), limits::lowest()),
                                           at(limits::denorm_min(), limits::min())};
    QTest::newRow("control characters and unpaired surrogates") << WatchList{makeWatch(
        firstId, "a.b", RecordType::TXT,
        QStringView::fromArray(u"\u0000\u001B\u007F \xD800 z\xDC00").chopped(1).toString(), 1)};
}

void TestWatchListCodec::roundTrip() {
    QFETCH(WatchList, watches);
    QVERIFY(WatchListCodec::decode(WatchListCodec::encode(watches)) == watches);
}

void TestWatchListCodec::instants_data() {
    QTest::addColumn<QDateTime>("dateTime");
    QTest::addColumn<double>("instant");
    const auto utc = [](int y, int mo, int d, int h, int mi, int s, int ms) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
    };
    QTest::newRow("unix epoch") << utc(1970, 1, 1, 0, 0, 0, 0) << -978307200.0;
    // 1.001 * 1000 falls just short of 1001 in binary.
    QTest::newRow("millisecond below its double") << utc(2001, 1, 1, 0, 0, 1, 1) << 1.001;
    QTest::newRow("negative millisecond") << utc(2000, 12, 31, 23, 59, 58, 999) << -1.001;
}

void TestWatchListCodec::instants() {
    QFETCH(QDateTime, dateTime);
    QFETCH(double, instant);
    QCOMPARE(instantFromDateTime(dateTime), instant);
    QCOMPARE(dateTimeFromInstant(instant), dateTime);
    QCOMPARE(dateTimeFromInstant(instant).timeSpec(), Qt::UTC);
}

QTEST_GUILESS_MAIN(TestWatchListCodec)
#include "tst_watchlistcodec.moc"

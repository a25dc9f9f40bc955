#include "fuzzinput.h"
#include "model/watchparser.h"

namespace {

using namespace Quello;

void checkLine(const QString& line) {
    const std::optional<WatchRequest> request = WatchParser::parse(line);
    if (!request)
        return;

    // Whatever the parser lets through reaches dig as one argument: it must
    // read as a name, never as an option, a query flag or a server.
    const QString& domain = request->domain;
    QUELLO_REQUIRE(WatchParser::isValidDomain(domain));
    QUELLO_REQUIRE(!domain.startsWith(u'-') && !domain.startsWith(u'+')
                   && !domain.startsWith(u'@'));
    QUELLO_REQUIRE(domain == domain.toLower());

    if (request->expected) {
        const QString& expected = *request->expected;
        QUELLO_REQUIRE(!expected.isEmpty());
        QUELLO_REQUIRE(!expected.contains(u'\t') && !expected.contains(QLatin1String("  ")));
        QUELLO_REQUIRE(!expected.startsWith(u' ') && !expected.endsWith(u' '));
    }

    // The request written back as a line parses to the same request.
    QString again = domain + u' ' + rawValue(request->type);
    if (request->expected)
        again += u' ' + *request->expected;
    QUELLO_REQUIRE(WatchParser::parse(again) == request);
}

void checkWord(const QString& word) {
    // A line of one word is accepted exactly when that word is a valid domain.
    if (word.contains(u' ') || word.contains(u'\t') || word.isEmpty())
        return;
    QUELLO_REQUIRE(WatchParser::parse(word).has_value() == WatchParser::isValidDomain(word));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const QString& text : {Fuzz::utf8Text(data, size), Fuzz::utf16Units(data, size)}) {
        checkLine(text);
        checkWord(text);
    }
    return 0;
}

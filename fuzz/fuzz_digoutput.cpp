#include "fuzzinput.h"
#include "query/digresponse.h"
#include "query/digrunner.h"

#include <algorithm>

namespace {

using namespace Quello;

void checkOutput(const QString& output) {
    const QStringList values = DigRunner::valuesFromOutput(output);
    QUELLO_REQUIRE(std::is_sorted(values.cbegin(), values.cend()));
    QUELLO_REQUIRE(values.size() <= output.count(u'\n') + 1);
    for (const QString& value : values) {
        QUELLO_REQUIRE(!value.isEmpty());
        QUELLO_REQUIRE(!value.startsWith(u';'));
        QUELLO_REQUIRE(!value.contains(u'\n'));
    }
    // The long form's parser takes anything, and its values obey the same rules.
    const DigResponse response = DigResponse::parse(output);
    const QStringList answerValues = response.values();
    QUELLO_REQUIRE(std::is_sorted(answerValues.cbegin(), answerValues.cend()));
    QUELLO_REQUIRE(answerValues.size() <= response.answer.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    checkOutput(Fuzz::utf8Text(data, size));
    checkOutput(Fuzz::utf16Units(data, size));
    return 0;
}

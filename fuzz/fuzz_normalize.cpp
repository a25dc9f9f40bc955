#include "fuzzinput.h"
#include "query/digrunner.h"

namespace {

using namespace Quello;

void checkValue(const QString& value) {
    // Not idempotent on purpose: "a.." loses one dot per call. What holds is
    // that cleaning only ever cuts from the ends.
    const QString cleaned = DigRunner::normalize(value);
    QUELLO_REQUIRE(cleaned.size() <= value.size());
    QUELLO_REQUIRE(value.contains(cleaned));
    const QString twice = DigRunner::normalize(cleaned);
    QUELLO_REQUIRE(twice.size() <= cleaned.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    checkValue(Fuzz::utf8Text(data, size));
    checkValue(Fuzz::utf16Units(data, size));
    return 0;
}

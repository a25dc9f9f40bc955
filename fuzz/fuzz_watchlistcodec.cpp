#include "fuzzinput.h"
#include "model/watchlistcodec.h"

#include <QByteArray>

using namespace Quello;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray json(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<QList<Watch>> first = WatchListCodec::decode(json);
    if (!first)
        return 0;

    // Whatever was readable is saved again at the next change: what is
    // written must read back as the same list, and write the same bytes.
    const QByteArray encoded = WatchListCodec::encode(*first);
    QUELLO_REQUIRE(!encoded.isEmpty());
    const std::optional<QList<Watch>> second = WatchListCodec::decode(encoded);
    QUELLO_REQUIRE(second.has_value());
    QUELLO_REQUIRE(*second == *first);
    QUELLO_REQUIRE(WatchListCodec::encode(*second) == encoded);
    return 0;
}

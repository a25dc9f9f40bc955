#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace Quello::Fuzz {

// A property that does not hold is a finding: say which and stop, so that
// libFuzzer keeps the input (and the replay test fails on it).
[[noreturn]] inline void fail(const char* property, const char* file, int line) {
    std::fprintf(stderr, "property does not hold: %s (%s:%d)\n", property, file, line);
    std::abort();
}

// The bytes as the UTF-8 text a caller would decode them to.
inline QString utf8Text(const uint8_t* data, size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// The bytes as raw UTF-16 units, so that lone surrogates and every space
// separator are reachable without a valid encoding around them.
inline QString utf16Units(const uint8_t* data, size_t size) {
    QString text;
    text.reserve(static_cast<qsizetype>(size / 2));
    for (size_t i = 0; i + 1 < size; i += 2)
        text.append(QChar(static_cast<char16_t>(data[i] | (data[i + 1] << 8))));
    return text;
}

} // namespace Quello::Fuzz

#define QUELLO_REQUIRE(condition)                                                                  \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::Quello::Fuzz::fail(#condition, __FILE__, __LINE__);                                  \
    } while (false)

#include "model/watchlistcodec.h"

#include <charconv>
#include <cmath>

// Writing the list. Reading it back, with the strict JSON check before
// anything is taken from it, is in watchlistdecode.cpp.

namespace Quello::WatchListCodec {

namespace {

void appendHexEscape(QByteArray& out, char16_t unit) {
    static constexpr char digits[] = "0123456789abcdef";
    out += "\\u";
    out += digits[(unit >> 12) & 0xF];
    out += digits[(unit >> 8) & 0xF];
    out += digits[(unit >> 4) & 0xF];
    out += digits[unit & 0xF];
}

void appendString(QByteArray& out, QStringView text) {
    out += '"';
    qsizetype plainStart = 0;
    const auto flushPlain = [&](qsizetype end) {
        if (end > plainStart)
            out += text.sliced(plainStart, end - plainStart).toUtf8();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size()
            && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i; // a proper pair is written as UTF-8 with the plain run
            continue;
        }
        const char* shortEscape = nullptr;
        switch (unit) {
        case u'"':
            shortEscape = "\\\"";
            break;
        case u'\\':
            shortEscape = "\\\\";
            break;
        case u'\b':
            shortEscape = "\\b";
            break;
        case u'\f':
            shortEscape = "\\f";
            break;
        case u'\n':
            shortEscape = "\\n";
            break;
        case u'\r':
            shortEscape = "\\r";
            break;
        case u'\t':
            shortEscape = "\\t";
            break;
        default:
            break;
        }
        // A lone surrogate has no UTF-8 form; escaping it keeps the text exact.
        const bool needsHex = unit < 0x20 || QChar::isSurrogate(unit);
        if (!shortEscape && !needsHex)
            continue;
        flushPlain(i);
        if (shortEscape)
            out += shortEscape;
        else
            appendHexEscape(out, unit);
        plainStart = i + 1;
    }
    flushPlain(text.size());
    out += '"';
}

void appendInstant(QByteArray& out, Instant instant) {
    // JSON has no NaN or infinity. Such an instant cannot come from a clock; writing
    // 0 keeps the whole list readable instead of losing every watch at the next load.
    const double value = std::isfinite(instant) ? instant : 0.0;
    // Shortest text that reads back as the same double, never in exponent form.
    // The longest fixed form of a finite double is under 330 characters.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    out.append(buffer, result.ptr - buffer);
}

void appendKey(QByteArray& out, const char* key, bool first = false) {
    if (!first)
        out += ',';
    out += '"';
    out += key;
    out += "\":";
}

} // namespace

QByteArray encode(const QList<Watch>& watches) {
    QByteArray out;
    out += '[';
    for (qsizetype i = 0; i < watches.size(); ++i) {
        const Watch& watch = watches[i];
        if (i > 0)
            out += ',';
        out += '{';
        appendKey(out, "id", true);
        appendString(out, watch.id.toString(QUuid::WithoutBraces).toUpper());
        appendKey(out, "domain");
        appendString(out, watch.domain);
        appendKey(out, "recordType");
        appendString(out, rawValue(watch.recordType));
        if (watch.expected) {
            appendKey(out, "expected");
            appendString(out, *watch.expected);
        }
        appendKey(out, "createdAt");
        appendInstant(out, watch.createdAt);
        if (watch.settledAt) {
            appendKey(out, "settledAt");
            appendInstant(out, *watch.settledAt);
        }
        out += '}';
    }
    out += ']';
    return out;
}

} // namespace Quello::WatchListCodec

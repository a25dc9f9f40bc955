#include "model/watchlistcodec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <string_view>

// Reading the list back: all or nothing. The writing half is in
// watchlistcodec.cpp.

namespace Quello::WatchListCodec {

namespace {

bool isHexDigit(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

// JSON exactly as RFC 8259 has it. QJsonDocument reads more than that: raw
// control characters in strings, unknown escapes ("\q" as "q"), numbers such
// as "1." and ".5". A saved list that is not JSON must be unreadable, not half
// understood. No recursion, so that deep nesting cannot exhaust the stack.
class StrictJson {
public:
    explicit StrictJson(const QByteArray& text)
        : m_at(text.cbegin())
        , m_end(text.cend()) {}

    bool wellFormed() {
        QByteArray open; // the brackets still open, innermost last
        skipSpace();
        for (;;) {
            // A value is due here.
            if (m_at == m_end)
                return false;
            const char c = *m_at;
            if (c == '[' || c == '{') {
                ++m_at;
                skipSpace();
                if (m_at != m_end && *m_at == (c == '[' ? ']' : '}')) {
                    ++m_at;
                } else {
                    open += c;
                    if (c == '{' && !member())
                        return false;
                    continue;
                }
            } else if (!scalar()) {
                return false;
            }
            // After a value: close brackets until a comma asks for the next one.
            for (;;) {
                skipSpace();
                if (open.isEmpty())
                    return m_at == m_end;
                if (m_at == m_end)
                    return false;
                const bool inObject = open.back() == '{';
                if (*m_at == (inObject ? '}' : ']')) {
                    ++m_at;
                    open.chop(1);
                    continue;
                }
                if (*m_at != ',')
                    return false;
                ++m_at;
                skipSpace();
                if (inObject && !member())
                    return false;
                break;
            }
        }
    }

private:
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    bool take(char c) {
        if (m_at == m_end || *m_at != c)
            return false;
        ++m_at;
        return true;
    }

    void skipSpace() {
        while (m_at != m_end && (*m_at == ' ' || *m_at == '\t' || *m_at == '\n' || *m_at == '\r'))
            ++m_at;
    }

    // A key and its colon; the value follows.
    bool member() {
        if (!string())
            return false;
        skipSpace();
        if (!take(':'))
            return false;
        skipSpace();
        return true;
    }

    bool scalar() {
        switch (*m_at) {
        case '"':
            return string();
        case 't':
            return word("true");
        case 'f':
            return word("false");
        case 'n':
            return word("null");
        default:
            return number();
        }
    }

    bool word(std::string_view expected) {
        if (m_end - m_at < static_cast<qsizetype>(expected.size())
            || std::string_view(m_at, expected.size()) != expected)
            return false;
        m_at += expected.size();
        return true;
    }

    bool digits() {
        const char* start = m_at;
        while (m_at != m_end && isDigit(*m_at))
            ++m_at;
        return m_at != start;
    }

    // -? (0 | [1-9][0-9]*) (. [0-9]+)? ([eE] [+-]? [0-9]+)?
    bool number() {
        take('-');
        if (!take('0') && !(m_at != m_end && *m_at != '0' && digits()))
            return false;
        if (take('.') && !digits())
            return false;
        if (take('e') || take('E')) {
            if (!take('+'))
                take('-');
            if (!digits())
                return false;
        }
        return true;
    }

    bool string() {
        if (!take('"'))
            return false;
        while (m_at != m_end) {
            const auto c = static_cast<unsigned char>(*m_at);
            if (c == '"') {
                ++m_at;
                return true;
            }
            if (c < 0x20)
                return false;
            if (c == '\\') {
                if (!escape())
                    return false;
            } else if (c >= 0x80) {
                if (!utf8Sequence())
                    return false;
            } else {
                ++m_at;
            }
        }
        return false;
    }

    bool escape() {
        ++m_at; // the backslash
        if (m_at == m_end)
            return false;
        switch (*m_at++) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't':
            return true;
        case 'u':
            for (int i = 0; i < 4; ++i) {
                if (m_at == m_end || !isHexDigit(QLatin1Char(*m_at)))
                    return false;
                ++m_at;
            }
            return true; // a lone surrogate is well-formed JSON, and the writer makes them
        default:
            return false;
        }
    }

    // Well-formed UTF-8 only: no overlong forms, no surrogates, nothing past U+10FFFF.
    bool utf8Sequence() {
        const auto lead = static_cast<unsigned char>(*m_at++);
        int continuation = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF; // the range of the byte after the lead
        if (lead >= 0xC2 && lead <= 0xDF) {
            continuation = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            continuation = 2;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            continuation = 3;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        for (int i = 0; i < continuation; ++i) {
            if (m_at == m_end)
                return false;
            const auto byte = static_cast<unsigned char>(*m_at++);
            if (byte < (i == 0 ? low : 0x80) || byte > (i == 0 ? high : 0xBF))
                return false;
        }
        return true;
    }

    const char* m_at;
    const char* m_end;
};

// Only the canonical 8-4-4-4-12 form, in either case; no braces or other forms.
std::optional<QUuid> uuidFromText(const QString& text) {
    if (text.size() != 36)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != u'-' : !isHexDigit(text[i]))
            return std::nullopt;
    }
    return QUuid::fromString(text);
}

std::optional<Instant> instantFromValue(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number))
        return std::nullopt;
    return number;
}

// Missing and null both mean absent. Anything else must decode, or the element fails.
template <typename T, typename Decode>
bool decodeOptional(const QJsonValue& value, std::optional<T>& field, Decode decodeValue) {
    if (value.isUndefined() || value.isNull()) {
        field.reset();
        return true;
    }
    field = decodeValue(value);
    return field.has_value();
}

std::optional<QString> stringFromValue(const QJsonValue& value) {
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<Watch> watchFromValue(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();

    const QJsonValue id = object.value(QLatin1String("id"));
    const QJsonValue domain = object.value(QLatin1String("domain"));
    const QJsonValue recordType = object.value(QLatin1String("recordType"));
    if (!id.isString() || !domain.isString() || !recordType.isString())
        return std::nullopt;

    Watch watch;
    const std::optional<QUuid> uuid = uuidFromText(id.toString());
    const std::optional<RecordType> type = recordTypeFromRawValue(recordType.toString());
    const std::optional<Instant> createdAt =
        instantFromValue(object.value(QLatin1String("createdAt")));
    if (!uuid || !type || !createdAt)
        return std::nullopt;
    watch.id = *uuid;
    watch.domain = domain.toString();
    watch.recordType = *type;
    watch.createdAt = *createdAt;

    if (!decodeOptional(object.value(QLatin1String("expected")), watch.expected, stringFromValue)
        || !decodeOptional(object.value(QLatin1String("settledAt")), watch.settledAt,
                           instantFromValue))
        return std::nullopt;
    return watch;
}

} // namespace

std::optional<QList<Watch>> decode(const QByteArray& json) {
    if (!StrictJson(json).wellFormed())
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;

    const QJsonArray array = document.array();
    QList<Watch> watches;
    watches.reserve(array.size());
    for (const QJsonValue& element : array) {
        std::optional<Watch> watch = watchFromValue(element);
        if (!watch)
            return std::nullopt;
        watches.append(std::move(*watch));
    }
    return watches;
}

} // namespace Quello::WatchListCodec

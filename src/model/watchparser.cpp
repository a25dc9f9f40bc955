#include "model/watchparser.h"

#include <QList>

namespace Quello::WatchParser {

namespace {

// Only space and tab separate words; every other character, including line
// breaks and no-break spaces, belongs to the word it is in.
bool isSeparator(QChar c) {
    return c == u' ' || c == u'\t';
}

QList<QStringView> splitWords(QStringView line) {
    QList<QStringView> words;
    qsizetype start = -1;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (isSeparator(line[i])) {
            if (start >= 0)
                words.append(line.sliced(start, i - start));
            start = -1;
        } else if (start < 0) {
            start = i;
        }
    }
    if (start >= 0)
        words.append(line.sliced(start));
    return words;
}

bool isDomainCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9')
           || u == u'-' || u == u'.' || u == u'_';
}

} // namespace

std::optional<WatchRequest> parse(QStringView line) {
    const QList<QStringView> words = splitWords(line);
    if (words.isEmpty() || !isValidDomain(words.first()))
        return std::nullopt;

    WatchRequest request;
    if (words.size() >= 2) {
        const std::optional<RecordType> type =
            recordTypeFromRawValue(words[1].toString().toUpper());
        if (!type)
            return std::nullopt;
        request.type = *type;
    }
    if (words.size() >= 3) {
        QString expected;
        for (qsizetype i = 2; i < words.size(); ++i) {
            if (i > 2)
                expected += u' ';
            expected += words[i];
        }
        request.expected = expected;
    }
    request.domain = words.first().toString().toLower();
    return request;
}

bool isValidDomain(QStringView text) {
    if (text.isEmpty() || text.size() > 253)
        return false;
    if (!text.contains(u'.'))
        return false;
    // Surrogates are outside the allowed set too, so checking UTF-16 units
    // refuses every non-ASCII scalar value.
    for (const QChar c : text) {
        if (!isDomainCharacter(c))
            return false;
    }
    if (text.startsWith(u'-') || text.startsWith(u'.'))
        return false;
    return !text.endsWith(u'.');
}

} // namespace Quello::WatchParser

#include "model/acename.h"

#include "model/watchparser.h"

#include <QUrl>

#include <algorithm>

namespace Quello::AceName {

std::optional<QString> fromUnicode(QStringView name) {
    if (std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; }))
        return std::nullopt;
    // Qt's own UTS #46 implementation: no further library, and the same
    // answer in the panel and in quello-wait. Without the transitional
    // option it follows IDNA 2008, as registries do.
    const QString ace = QString::fromLatin1(QUrl::toAce(name.toString()));
    if (!WatchParser::isValidDomain(ace))
        return std::nullopt;
    return ace;
}

std::optional<QString> toUnicode(QStringView name) {
    if (!name.contains(QLatin1String("xn--"), Qt::CaseInsensitive))
        return std::nullopt;
    // Beside the ACE form, never instead of it: the whitelist of domains
    // whose Unicode form Qt trusts to show alone does not matter here.
    const QString unicode = QUrl::fromAce(name.toLatin1(), QUrl::IgnoreIDNWhitelist);
    if (unicode.isEmpty() || unicode.compare(name, Qt::CaseInsensitive) == 0)
        return std::nullopt;
    return unicode;
}

} // namespace Quello::AceName

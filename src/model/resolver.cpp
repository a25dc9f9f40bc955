#include "model/resolver.h"

namespace Quello {

const std::array<Resolver, 4>& Resolver::all() {
#ifdef Q_OS_MACOS
    static const QString systemName = QStringLiteral("This Mac");
#else
    static const QString systemName = QStringLiteral("This computer");
#endif
    static const std::array<Resolver, 4> resolvers{{
        {QStringLiteral("system"), systemName, std::nullopt},
        {QStringLiteral("cloudflare"), QStringLiteral("Cloudflare"), QStringLiteral("1.1.1.1")},
        {QStringLiteral("google"), QStringLiteral("Google"), QStringLiteral("8.8.8.8")},
        {QStringLiteral("quad9"), QStringLiteral("Quad9"), QStringLiteral("9.9.9.9")},
    }};
    return resolvers;
}

} // namespace Quello

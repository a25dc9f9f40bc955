#pragma once

#include <QString>

#include <array>
#include <optional>

namespace Quello {

// One DNS resolver that is asked. Identified by `id`, which also keys results.
struct Resolver {
    QString id;
    QString name;
    std::optional<QString> server; // absent: the machine's own resolver

    bool operator==(const Resolver&) const = default;

    // The built-in resolvers, in display order; fixed for the process lifetime.
    static const std::array<Resolver, 4>& all();
};

} // namespace Quello

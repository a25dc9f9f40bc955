#pragma once

#include "model/instant.h"
#include "model/recordtype.h"

#include <QString>
#include <QUuid>

#include <optional>

namespace Quello {

// One watched record. Identified by `id`; equality compares every field.
struct Watch {
    QUuid id;
    QString domain; // lower case, no final dot
    RecordType recordType = RecordType::A;
    std::optional<QString> expected;
    Instant createdAt = 0;
    std::optional<Instant> settledAt; // set while the resolvers agree

    bool operator==(const Watch&) const = default;
};

} // namespace Quello

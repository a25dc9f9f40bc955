#pragma once

#include "model/recordtype.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace Quello {

// What one typed line asks for: "domain [type [expected value...]]".
struct WatchRequest {
    QString domain;
    RecordType type = RecordType::A;
    std::optional<QString> expected;

    bool operator==(const WatchRequest&) const = default;
};

namespace WatchParser {

// Words are separated by spaces and tabs only. Refused lines give nothing.
std::optional<WatchRequest> parse(QStringView line);

bool isValidDomain(QStringView text);

} // namespace WatchParser

} // namespace Quello

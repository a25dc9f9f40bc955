#include "model/recordtype.h"

#include <QHash>

namespace Quello {

QString rawValue(RecordType type) {
    switch (type) {
    case RecordType::A:
        return QStringLiteral("A");
    case RecordType::AAAA:
        return QStringLiteral("AAAA");
    case RecordType::CNAME:
        return QStringLiteral("CNAME");
    case RecordType::MX:
        return QStringLiteral("MX");
    case RecordType::TXT:
        return QStringLiteral("TXT");
    case RecordType::NS:
        return QStringLiteral("NS");
    }
    Q_UNREACHABLE();
    return QString();
}

std::optional<RecordType> recordTypeFromRawValue(QStringView raw) {
    for (const RecordType type : allRecordTypes) {
        if (raw == rawValue(type))
            return type;
    }
    return std::nullopt;
}

size_t qHash(RecordType type, size_t seed) noexcept {
    return qHash(rawValue(type), seed);
}

} // namespace Quello

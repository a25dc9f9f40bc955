#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace Quello {

// The record types a watch can ask for, in the order the user sees them.
enum class RecordType { A, AAAA, CNAME, MX, TXT, NS };

inline constexpr std::array<RecordType, 6> allRecordTypes{RecordType::A,     RecordType::AAAA,
                                                          RecordType::CNAME, RecordType::MX,
                                                          RecordType::TXT,   RecordType::NS};

// The mnemonic as dig spells it; also the form stored in the saved list.
QString rawValue(RecordType type);

// Exact, case-sensitive: "cname" gives nothing, "CNAME" gives CNAME.
std::optional<RecordType> recordTypeFromRawValue(QStringView raw);

size_t qHash(RecordType type, size_t seed = 0) noexcept;

} // namespace Quello

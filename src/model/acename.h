#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace Quello {

// Internationalized names in the ASCII form DNS carries (IDNA 2008 with
// UTS #46 processing, non-transitional: "faß.de" stays itself rather than
// becoming "fass.de"). dig converts nothing when its output is not a
// terminal, so every name must reach it in this form.
namespace AceName {

// The ACE form of a name with non-ASCII letters, when it converts to one that
// WatchParser accepts; none for an ASCII name or one that does not convert.
std::optional<QString> fromUnicode(QStringView name);

// The Unicode form of a name with "xn--" labels; none when it has none or
// they do not decode.
std::optional<QString> toUnicode(QStringView name);

} // namespace AceName

} // namespace Quello

#pragma once

#include "model/watch.h"

#include <QByteArray>
#include <QList>

#include <optional>

namespace Quello {

// The saved watch list: a compact JSON array, keys in a fixed order.
namespace WatchListCodec {

QByteArray encode(const QList<Watch>& watches);

// All or nothing: one malformed element makes the whole list unreadable.
std::optional<QList<Watch>> decode(const QByteArray& json);

} // namespace WatchListCodec

} // namespace Quello

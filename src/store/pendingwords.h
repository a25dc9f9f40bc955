#pragma once

#include <QString>

namespace Quello {

// The words for a number of pending watches, spoken by the tray item and by
// the panel alike: trays offer no spoken label of their own, so the panel
// repeats the item's. Neither text carries the count.
struct PendingWords {
    QString accessibilityLabel;
    QString toolTip;

    static PendingWords forPendingCount(int pendingCount);

    bool operator==(const PendingWords&) const = default;
};

} // namespace Quello

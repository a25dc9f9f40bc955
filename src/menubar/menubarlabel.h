#pragma once

#include <QString>

namespace Quello {

// What the tray item shows, in picture and words, for a number of pending
// watches. Neither text carries the count.
struct MenuBarLabel {
    enum class Icon { Normal, Pending };

    Icon icon = Icon::Normal;
    QString accessibilityLabel;
    QString toolTip;

    static MenuBarLabel forPendingCount(int pendingCount);

    bool operator==(const MenuBarLabel&) const = default;
};

} // namespace Quello

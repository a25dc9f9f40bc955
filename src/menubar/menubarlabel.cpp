#include "menubar/menubarlabel.h"

#include "store/pendingwords.h"

namespace Quello {

MenuBarLabel MenuBarLabel::forPendingCount(int pendingCount) {
    const PendingWords words = PendingWords::forPendingCount(pendingCount);
    return {pendingCount > 0 ? Icon::Pending : Icon::Normal, words.accessibilityLabel,
            words.toolTip};
}

} // namespace Quello

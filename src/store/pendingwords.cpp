#include "store/pendingwords.h"

#include <QCoreApplication>

namespace Quello {

// The texts keep the tray label's translation context, where they were first
// translated, so every catalogue finds them unchanged.
PendingWords PendingWords::forPendingCount(int pendingCount) {
    if (pendingCount > 0) {
        return {QCoreApplication::translate("MenuBarLabel", "Quello, watching DNS propagation"),
                QCoreApplication::translate("MenuBarLabel", "Quello (watching DNS)")};
    }
    return {QCoreApplication::translate("MenuBarLabel", "Quello"),
            QCoreApplication::translate("MenuBarLabel", "Quello")};
}

} // namespace Quello

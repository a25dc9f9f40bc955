#include "menubar/menubarlabel.h"

#include <QCoreApplication>

namespace Quello {

MenuBarLabel MenuBarLabel::forPendingCount(int pendingCount) {
    if (pendingCount > 0) {
        return {Icon::Pending,
                QCoreApplication::translate("MenuBarLabel", "Quello, watching DNS propagation"),
                QCoreApplication::translate("MenuBarLabel", "Quello (watching DNS)")};
    }
    return {Icon::Normal, QCoreApplication::translate("MenuBarLabel", "Quello"),
            QCoreApplication::translate("MenuBarLabel", "Quello")};
}

} // namespace Quello

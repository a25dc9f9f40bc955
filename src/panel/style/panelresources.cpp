#include "panel/style/panelresources.h"

// Q_INIT_RESOURCE must be used outside any namespace.
static void initPanelResources() {
    Q_INIT_RESOURCE(panel);
}

namespace Quello {

void ensurePanelResources() {
    static const bool done = (initPanelResources(), true);
    Q_UNUSED(done);
}

QIcon appIcon() {
    ensurePanelResources();
    return QIcon(QStringLiteral(":/quello/icons/quello.svg"));
}

} // namespace Quello

#include "panel/motion/reducemotion.h"

#include "panel/motion/desktopmotionpreference.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QPointer>

namespace Quello {

namespace {

// The preference in use: the desktop's own unless one was installed.
const MotionPreference& currentPreference() {
    if (const MotionPreference* preference = MotionPreference::installed())
        return *preference;
    // Made on first use and kept for the life of the application.
    static QPointer<DesktopMotionPreference> desktop;
    if (desktop.isNull()) {
        desktop = new DesktopMotionPreference(QDBusConnection::sessionBus(),
                                              DesktopMotionPreference::kdeGlobalsPath(),
                                              QCoreApplication::instance());
    }
    return *desktop;
}

} // namespace

bool reduceMotion() {
    return !currentPreference().animationsEnabled();
}

} // namespace Quello

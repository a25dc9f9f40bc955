#include "panel/motion/motionpreference.h"

#include "panel/motion/desktopmotionpreference.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QPointer>

namespace Quello {

namespace {

QPointer<const MotionPreference>& installed() {
    static QPointer<const MotionPreference> preference;
    return preference;
}

} // namespace

const MotionPreference& MotionPreference::current() {
    if (const MotionPreference* preference = installed())
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

void MotionPreference::install(const MotionPreference* preference) {
    installed() = preference;
}

} // namespace Quello

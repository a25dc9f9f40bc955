#include "panel/motion/motionpreference.h"

#include <QPointer>

namespace Quello {

namespace {

QPointer<const MotionPreference>& installedPreference() {
    static QPointer<const MotionPreference> preference;
    return preference;
}

} // namespace

void MotionPreference::install(const MotionPreference* preference) {
    installedPreference() = preference;
}

const MotionPreference* MotionPreference::installed() {
    return installedPreference();
}

} // namespace Quello

#include "panel/motion/springanimation.h"

namespace Quello {

SpringAnimation::SpringAnimation(const SpringEasing& spring, QObject* target,
                                 const QByteArray& property)
    : QPropertyAnimation(target, property, target)
    , m_spring(spring) {
    setDuration(spring.durationMs());
}

QVariant SpringAnimation::interpolated(const QVariant& from, const QVariant& to,
                                       qreal progress) const {
    // The easing curve stays linear, so progress is the share of time gone.
    return QPropertyAnimation::interpolated(from, to, m_spring.valueForProgress(progress));
}

} // namespace Quello

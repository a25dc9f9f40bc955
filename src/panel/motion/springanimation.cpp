#include "panel/motion/springanimation.h"

#include "panel/motion/reducemotion.h"

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

QPropertyAnimation* SpringAnimation::animate(const SpringEasing& spring, QObject* target,
                                             const QByteArray& property, const QVariant& end) {
    // A newer change of the same property takes over from where the running
    // animation has got to.
    const auto running = target->findChildren<QPropertyAnimation*>(Qt::FindDirectChildrenOnly);
    for (QPropertyAnimation* animation : running) {
        if (animation->targetObject() == target && animation->propertyName() == property)
            animation->stop();
    }
    if (reduceMotion()) {
        target->setProperty(property.constData(), end);
        return nullptr;
    }
    auto* animation = new SpringAnimation(spring, target, property);
    animation->setEndValue(end);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    return animation;
}

} // namespace Quello

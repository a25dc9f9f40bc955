#pragma once

#include "panel/motion/springeasing.h"

#include <QPropertyAnimation>

namespace Quello {

// A property animation that moves along a damped spring: it lasts the
// spring's settling time and may overshoot its end value on the way.
class SpringAnimation : public QPropertyAnimation {
    Q_OBJECT

public:
    // Owned by `target`.
    SpringAnimation(const SpringEasing& spring, QObject* target, const QByteArray& property);

    // Animates `property` of `target` to `end` with `spring`, or sets it at
    // once when the desktop asks for reduced motion (no animation object is
    // made then, and null is returned). The animation deletes itself when done;
    // one still running on the same property is stopped first.
    static QPropertyAnimation* animate(const SpringEasing& spring, QObject* target,
                                       const QByteArray& property, const QVariant& end);

protected:
    QVariant interpolated(const QVariant& from, const QVariant& to, qreal progress) const override;

private:
    SpringEasing m_spring;
};

} // namespace Quello

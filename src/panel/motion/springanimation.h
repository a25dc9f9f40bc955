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

protected:
    QVariant interpolated(const QVariant& from, const QVariant& to, qreal progress) const override;

private:
    SpringEasing m_spring;
};

} // namespace Quello

#pragma once

#include "storefixture.h"

#include <QApplication>

namespace Quello::Test {

inline void setMotion(bool allowed) {
    QApplication::setEffectEnabled(Qt::UI_General, allowed);
}

} // namespace Quello::Test

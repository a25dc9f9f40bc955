#include "panel/reducemotion.h"

#include <QApplication>

namespace Quello {

// Qt's desktop integration fills the UI effects from the desktop's own
// animation setting (the theme plugin's UiEffects hint), and
// QApplication::setEffectEnabled lets the desktop's style turn them off.
// Where the desktop states nothing, Qt reports effects as off: Quello then
// keeps still, which is the safe reading for someone who asked for no motion.
bool reduceMotion() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return true;
    return !QApplication::isEffectEnabled(Qt::UI_General);
}

} // namespace Quello

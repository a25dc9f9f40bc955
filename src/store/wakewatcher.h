#pragma once

#include <QObject>

namespace Quello {

// Tells when the machine has woken from suspend. Qt's timers run on a clock
// that stands still while the machine sleeps, so a wait under way then ends
// late by as long as the machine slept.
class WakeWatcher : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

Q_SIGNALS:
    void wokeUp();
};

} // namespace Quello

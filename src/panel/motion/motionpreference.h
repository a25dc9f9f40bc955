#pragma once

#include <QObject>

namespace Quello {

// Whether the desktop lets applications animate. The panel asks the
// installed preference before every animation, so a change applies to the
// next one without a restart.
class MotionPreference : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual bool animationsEnabled() const = 0;

    // Puts `preference` in use (not owned); nullptr goes back to the
    // desktop's. For tests and tools.
    static void install(const MotionPreference* preference);
    // The one installed, or null while the desktop's own is in use (which
    // reduceMotion() makes on first use).
    static const MotionPreference* installed();

Q_SIGNALS:
    void changed(bool animationsEnabled);
};

} // namespace Quello

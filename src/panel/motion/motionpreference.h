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

    // The preference in use: the desktop's own unless one was installed.
    static const MotionPreference& current();
    // Puts `preference` in use (not owned); nullptr goes back to the
    // desktop's. For tests and tools.
    static void install(const MotionPreference* preference);

Q_SIGNALS:
    void changed(bool animationsEnabled);
};

} // namespace Quello

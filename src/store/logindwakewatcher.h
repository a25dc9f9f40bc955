#pragma once

#include "store/wakewatcher.h"

#include <QDBusConnection>

namespace Quello {

// logind's PrepareForSleep(false) on the system bus, sent as the machine
// resumes. Without a system bus or logind it never wakes anything.
class LogindWakeWatcher final : public WakeWatcher {
    Q_OBJECT

public:
    explicit LogindWakeWatcher(QDBusConnection bus = QDBusConnection::systemBus(),
                               QObject* parent = nullptr);

private Q_SLOTS:
    void onPrepareForSleep(bool goingToSleep);

private:
    QDBusConnection m_bus;
};

} // namespace Quello

#include "store/logindwakewatcher.h"

namespace Quello {

LogindWakeWatcher::LogindWakeWatcher(QDBusConnection bus, QObject* parent)
    : WakeWatcher(parent)
    , m_bus(std::move(bus)) {
    if (!m_bus.isConnected())
        return;
    // No sender name in the match: naming logind would make Qt ask the bus
    // for its owner and wait for the answer at start-up. A stray signal of
    // the same name costs one early polling pass, which checks only what is
    // due anyway.
    m_bus.connect(QString(), QStringLiteral("/org/freedesktop/login1"),
                  QStringLiteral("org.freedesktop.login1.Manager"),
                  QStringLiteral("PrepareForSleep"), this, SLOT(onPrepareForSleep(bool)));
}

void LogindWakeWatcher::onPrepareForSleep(bool goingToSleep) {
    if (!goingToSleep)
        Q_EMIT wokeUp();
}

} // namespace Quello
